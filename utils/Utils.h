#pragma once
// The Utils library: registry settings, HTTP transfers, version records and
// thread start. Every call is self-contained (it opens and closes its own
// registry key or Internet handle) and none reports errors by exception.
// All texts are zero-terminated ANSI strings; buffers are the caller's.
#include <stdint.h>

#include "update/VersionHandler.h"

#if defined(_WIN32) && defined(UTILS_BUILD)
#define UTILS_API extern "C" __declspec(dllexport)
#elif defined(_WIN32) && !defined(UTILS_STATIC)
#define UTILS_API extern "C" __declspec(dllimport)
#else
#define UTILS_API extern "C"
#endif

#if defined(_WIN32)
#define UTILS_THREADCALL __stdcall
#else
#define UTILS_THREADCALL
#endif

// Size every text buffer handed to the settings functions must have.
#define UTILS_SETTING_BUFFER 260

// ---- Settings store (HKEY_CURRENT_USER\Software\tovrin) ----

// Reads the settings whose buffers are non-null (each 260 bytes). A missing
// user name resets user name and password to empty; a missing home page,
// update page or banner URL gets its default written first. The interval
// variable is left alone when no interval is stored.
UTILS_API void GetAppSettings(char* userName, char* password, char* homePage, char* updatePage,
                              uint32_t* statInterval, char* bannerUrl);

// Writes the settings whose arguments are non-null. The interval is decimal
// text; a negative or non-numeric one is stored as 0.
UTILS_API void SetAppSettings(const char* userName, const char* password, const char* homePage,
                              const char* updatePage, const char* statInterval, const char* bannerUrl);

// Copies the named text value into value (260 bytes; empty when missing) and
// returns value.
UTILS_API const char* GetSingleAppSettings(const char* name, char* value);
UTILS_API void SetSingleAppSettings(const char* name, const char* value);

// Deletes baseName and baseName1, baseName2, ... up to the first gap.
UTILS_API void RemoveValues(const char* baseName);

UTILS_API uint32_t GetModemSelection(void);
UTILS_API void SetModemSelection(uint32_t index);

// ---- HTTP transfer ----

// Fetches url into buffer (size bytes, at least 2): the body, cut at size - 2
// bytes, followed by "\n". False, with the empty text, when the server cannot
// be reached, the read fails or the answer is not a 2xx status.
UTILS_API bool GetHTTPFile(const char* url, char* buffer, uint32_t size);

// Downloads url into path, resuming a partial file with a Range request.
// True only when the file is complete with exactly expectedSize bytes. A
// transfer that breaks off or ends short keeps the partial file for the next
// call; a file longer than expectedSize is deleted.
UTILS_API bool DownloadFile(const char* url, const char* path, uint32_t expectedSize);

// True for an HTTP or HTTPS URL whose scheme, host, path and query each fit
// in 31 characters. No network traffic.
UTILS_API bool ValidateURL(const char* url);

// Splits the first "name = value" line of text, writing terminators into
// text. Returns the start of the next line, or null when text holds no line
// end. Both buffers are empty unless the line held a usable pair.
UTILS_API char* GetLine(char* text, char* name, int nameSize, char* value, int valueSize);

// ---- Version records (HKEY_CURRENT_USER\Software\tovrin\Update) ----

// True when offered is newer than what is installed as fileName: the higher
// of its record and the version resource of the file .\fileName in the
// current directory (the installation directory). A file with neither counts
// as 0.0.0; so an older file never replaces a newer one.
UTILS_API bool NeedUpdate(const char* fileName, const VersionHandler& offered);
UTILS_API void SetNewVersion(const char* fileName, const VersionHandler& installed);

// ---- Threads ----

typedef unsigned long(UTILS_THREADCALL* ThreadProcedure)(void* argument);

// Starts procedure(argument) on a new thread. Returns the thread handle,
// which the caller owns and must close; null on failure.
UTILS_API void* StartThreadedFunc(ThreadProcedure procedure, void* argument);
