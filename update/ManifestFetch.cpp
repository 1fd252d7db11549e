// GetFileAndParse: the request to the provider's server. Windows only, as
// the transfer goes through the Utils library.
#include "update/ManifestReader.h"
#include "update/QueryAddress.h"
#include "utils/Utils.h"

namespace Update {

namespace {

const uint32_t kResponseSize = 2048;

} // namespace

bool GetFileAndParse(const char* baseAddress, const char* userName, const char* action,
                     PropertyStack& properties, EntityStack& entities)
{
    // Per call: a refresh still running when the next connection's refresh
    // or a statistics fetch starts must not mix its answer with theirs.
    char queryAddress[kQueryAddressSize];
    char response[kResponseSize];
    if (!BuildQueryAddress(queryAddress, sizeof queryAddress, baseAddress, action, userName))
        return false;
    if (!GetHTTPFile(queryAddress, response, kResponseSize))
        return false;
    return ParseXML(response, properties, entities);
}

} // namespace Update
