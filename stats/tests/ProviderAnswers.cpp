#include "ProviderAnswers.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

namespace stats_test {

namespace {

struct InternetHandleOwner {
    HINTERNET handle;
    explicit InternetHandleOwner(HINTERNET h) : handle(h) {}
    ~InternetHandleOwner()
    {
        if (handle)
            InternetCloseHandle(handle);
    }
    InternetHandleOwner(const InternetHandleOwner&) = delete;
    InternetHandleOwner& operator=(const InternetHandleOwner&) = delete;
};

// One request to the provider's control interface; the answer body in *body.
bool Send(const char* verb, const std::string& path, const std::string& postBody, std::string* body)
{
    const std::string base = ProviderUrl();
    const size_t portAt = base.rfind(':');
    if (base.empty() || portAt == std::string::npos)
        return false;
    const INTERNET_PORT port = static_cast<INTERNET_PORT>(atoi(base.c_str() + portAt + 1));
    InternetHandleOwner session(InternetOpenA("stats-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    InternetHandleOwner connection(session.handle ? InternetConnectA(session.handle, "127.0.0.1", port, nullptr,
                                                                     nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                                  : nullptr);
    if (!connection.handle)
        return false;
    InternetHandleOwner request(HttpOpenRequestA(connection.handle, verb, path.c_str(), nullptr, nullptr, nullptr,
                                                 INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0));
    if (!request.handle)
        return false;
    void* data = postBody.empty() ? nullptr : const_cast<char*>(postBody.data());
    if (!HttpSendRequestA(request.handle, nullptr, 0, data, static_cast<DWORD>(postBody.size())))
        return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    HttpQueryInfoA(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    char chunk[4096];
    DWORD read = 0;
    while (InternetReadFile(request.handle, chunk, sizeof chunk, &read) && read > 0) {
        if (body)
            body->append(chunk, read);
    }
    return status == 200;
}

} // namespace

std::string ProviderUrl()
{
    const char* url = std::getenv("PROVIDER_URL");
    return url ? url : "";
}

bool SetUserstatAnswer(const std::string& document, int delayMs)
{
    std::string path = "/_control/answer?action=userstat";
    if (delayMs > 0)
        path += "&delay=" + std::to_string(delayMs);
    return Send("POST", path, document, nullptr);
}

bool SetUserstatHang()
{
    return Send("POST", "/_control/answer?action=userstat&hang=1", UserstatDocument({{"USEDTIME", "60"}}),
                nullptr);
}

bool ResetProvider()
{
    return Send("GET", "/_control/reset", "", nullptr);
}

int CountUserstatRequests()
{
    std::string log;
    if (!Send("GET", "/_control/log", "", &log))
        return -1;
    // One JSON object a line; the decoded parameters hold "action".
    int count = 0;
    for (size_t at = 0; (at = log.find("\"action\": \"userstat\"", at)) != std::string::npos; ++at)
        ++count;
    return count;
}

std::string UserstatDocument(std::initializer_list<std::pair<const char*, const char*>> properties)
{
    std::string document = "<?xml version=\"1.0\"?>\n<userstat>\n";
    for (const auto& property : properties) {
        document += "  <data-update name=\"";
        document += property.first;
        document += "\" value=\"";
        document += property.second;
        document += "\"/>\n";
    }
    return document + "</userstat>\n";
}

} // namespace stats_test
