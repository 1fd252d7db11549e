#pragma once
// The provider stand-in as the statistics tests use it: the "userstat"
// answer, a hanging server, and the requests it has seen.
#include <string>

namespace stats_test {

// http://127.0.0.1:PORT, from PROVIDER_URL.
std::string ProviderUrl();

// Answers every "action=userstat" request with document, after delayMs.
bool SetUserstatAnswer(const std::string& document, int delayMs = 0);
// The server takes every "action=userstat" request and never answers (until
// ResetProvider).
bool SetUserstatHang();
// Clears answers and the log and releases hung requests; requests then fail
// with 404 until an answer is set again.
bool ResetProvider();
// Number of "action=userstat" requests answered so far.
int CountUserstatRequests();
// The shortest time between two statistics requests arriving, in
// milliseconds; -1 with fewer than two.
long ShortestUserstatGapMs();

// A userstat document with one data-update element per name=value pair,
// in the order given.
std::string UserstatDocument(std::initializer_list<std::pair<const char*, const char*>> properties);

} // namespace stats_test
