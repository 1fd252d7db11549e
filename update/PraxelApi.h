#pragma once
// Export macro of the update library. VersionHandler.cpp is also compiled into
// the Utils library and into test programs; they define PRAXEL_STATIC so the
// class is a plain local class there.
#if defined(_WIN32) && defined(PRAXEL_BUILD)
#define PRAXEL_API __declspec(dllexport)
#elif defined(_WIN32) && !defined(PRAXEL_STATIC)
#define PRAXEL_API __declspec(dllimport)
#else
#define PRAXEL_API
#endif
