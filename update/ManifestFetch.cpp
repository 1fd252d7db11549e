// GetFileAndParse: the request to the provider's server. Windows only, as
// the transfer goes through the Utils library.
#include "update/ManifestReader.h"
#include "update/QueryAddress.h"
#include "utils/ConnectionLog.h"
#include "utils/Utils.h"

#include <string.h>

#if defined(TOVRIN_SIGNED_UPDATES)
#include "update/AnswerCheck.h"
#endif

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
    // The statistics are fetched at every interval: only the refresh, which
    // changes settings and files, is worth a line.
    const bool logged = _stricmp(action, "userstat") != 0;
    if (!GetHTTPFile(queryAddress, response, kResponseSize)) {
        if (logged)
            tovrinlog::Write("refresh: no answer from the server");
        return false;
    }
    if (logged)
        tovrinlog::Write("refresh: answer of %u bytes", static_cast<unsigned>(strlen(response)));
#if defined(TOVRIN_SIGNED_UPDATES)
    // Built with the provider's key: every answer but the statistics (which
    // only show figures) must be signed for this very action, or none of it
    // is used.
    if (_stricmp(action, "userstat") != 0 && !AcceptSignedAnswer(response, action))
        return false;
#endif
    return ParseXML(response, properties, entities);
}

} // namespace Update
