#pragma once
// The dial-up password as the settings store keeps it: encrypted with the
// user's own Windows key (CryptProtectData), never as plain text. A plain
// "password" value left by an earlier version is taken over at its first
// read.
namespace utils {

// Copies the password into out (kRegistryTextBuffer bytes). Empty when none
// is stored, when the stored one cannot be decrypted (the user's key changed,
// or the profile came from another machine), or when it does not fit.
void ReadPassword(char* out);

// Stores password encrypted and removes any plain value. When encryption
// fails nothing is stored: the earlier password stays.
void StorePassword(const char* password);

// Both forms gone: the credentials were reset.
void ClearPassword();

} // namespace utils
