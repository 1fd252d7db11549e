#pragma once
// Reads the provider's server documents into the caller's stacks.
//
// Both functions push onto the stacks without emptying them first, in
// document order (so the first Pop yields the document's last property or
// entity). On false nothing has been pushed.
#include "update/PraxelApi.h"
#include "update/UpdateModel.h"

namespace Update {

// Fetches baseAddress?action=ACTION&user=USER (action and user name
// percent-encoded) and parses the answer. Note the argument order: the user
// name comes before the action. False when the address does not fit the
// library's buffer (no request is made), the transfer fails or the answer
// does not parse. Only the first 2046 bytes of an answer are kept, so a
// longer document normally fails to load. In a library built with the
// provider's update key, every answer but action "userstat" must also carry
// a valid signature, be current and not older than the last one accepted
// (see SignedAnswer.h); otherwise the result is false and nothing is pushed.
// Not reentrant: one call at a time per process.
PRAXEL_API bool GetFileAndParse(const char* baseAddress, const char* userName, const char* action,
                                PropertyStack& properties, EntityStack& entities);

// Parses a server document. False when it does not load, has no root element
// or its root has no child element. Reentrant.
PRAXEL_API bool ParseXML(const char* document, PropertyStack& properties, EntityStack& entities);

} // namespace Update
