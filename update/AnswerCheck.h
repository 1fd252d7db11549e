#pragma once
// Whether an update answer may be used at all, in a library built with the
// provider's update key.
namespace Update {

// True when the answer carries a valid signature by the build's key, was
// signed for this request's action (exactly as sent), has not expired, and
// its serial is not lower than the highest one accepted before (kept as
// UpdateSerial under HKCU\Software\tovrin, raised here) nor than the floor
// the build was made with (TOVRIN_UPDATE_MIN_SERIAL). On true the answer is
// cut after its signed part, so nothing unsigned is read; on false it is
// left as it was and must not be used.
bool AcceptSignedAnswer(char* answer, const char* action);

} // namespace Update
