#include "ProviderAnswers.h"

#include "ProviderControl.h"

namespace stats_test {

std::string ProviderUrl()
{
    return provider::BaseUrl();
}

bool SetUserstatAnswer(const std::string& document, int delayMs)
{
    std::string path = "/_control/answer?action=userstat";
    if (delayMs > 0)
        path += "&delay=" + std::to_string(delayMs);
    return provider::Post(path, document);
}

bool SetUserstatHang()
{
    return provider::Post("/_control/answer?action=userstat&hang=1", UserstatDocument({{"USEDTIME", "60"}}));
}

bool ResetProvider()
{
    return provider::Reset();
}

int CountUserstatRequests()
{
    int count = 0;
    for (const provider::LoggedRequest& request : provider::Log())
        count += request.query.find("action=userstat") != std::string::npos;
    return count;
}

long ShortestUserstatGapMs()
{
    long shortest = -1;
    double previous = -1;
    for (const provider::LoggedRequest& request : provider::Log()) {
        if (request.query.find("action=userstat") == std::string::npos)
            continue;
        if (previous >= 0) {
            const long gap = static_cast<long>((request.arrived - previous) * 1000);
            if (shortest < 0 || gap < shortest)
                shortest = gap;
        }
        previous = request.arrived;
    }
    return shortest;
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
