#pragma once
// Builds the address of a request to the provider's server:
// "%s?action=%s&user=%s" with the action word and the user name
// percent-encoded, so that no byte of them (a '&', '#', '%', '=' or blank in a
// user name, say) can change the request. Plain names come out unchanged.
#include <cstddef>

namespace Update {

// Room for the longest stored texts: a 259-byte address, an action word of
// 64 bytes and a 255-byte user name, each encoded byte taking up to three.
const size_t kQueryAddressSize = 259 + 8 + 64 * 3 + 6 + 255 * 3 + 1;

// Writes the address into buffer (size bytes). False, with the empty text
// when size allows, if it does not fit whole: an address cut short would
// ask the server something else. Null texts read as empty.
bool BuildQueryAddress(char* buffer, size_t size, const char* baseAddress, const char* action,
                       const char* userName);

} // namespace Update
