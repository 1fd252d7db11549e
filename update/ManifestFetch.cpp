// GetFileAndParse: the request to the provider's server. Windows only, as
// the transfer goes through the Utils library.
#include "update/ManifestReader.h"
#include "update/QueryAddress.h"
#include "utils/Utils.h"

namespace Update {

namespace {

const uint32_t kResponseSize = 2048;

// Kept for the life of the library, shared by every call: GetFileAndParse is
// called from one thread at a time in a process.
char queryAddress[kQueryAddressSize];
char response[kResponseSize];

} // namespace

bool GetFileAndParse(const char* baseAddress, const char* userName, const char* action,
                     PropertyStack& properties, EntityStack& entities)
{
    if (!BuildQueryAddress(queryAddress, sizeof queryAddress, baseAddress, action, userName))
        return false;
    if (!GetHTTPFile(queryAddress, response, kResponseSize))
        return false;
    return ParseXML(response, properties, entities);
}

} // namespace Update
