#pragma once
// The remote-access records in their older forms, which the dialler passes
// and the service still accepts. The toolchain's <ras.h> only carries the
// newest, larger forms, whose size fields the older service versions refuse,
// so the dialler includes this header instead of <ras.h> (never both in one
// source file: the functions below are declared with these record types).
// The simulated service in tools/rasim is built from the same declarations.
#include <windows.h>

#include <cstddef>

// Text limits of the records, terminator not included.
constexpr int kRasMaxEntryName = 256;
constexpr int kRasMaxDeviceType = 16;
constexpr int kRasMaxDeviceName = 128;
constexpr int kRasMaxPhoneNumber = 128;
constexpr int kRasMaxCallbackNumber = 128;
constexpr int kRasMaxUserName = 256;
constexpr int kRasMaxPassword = 256;
constexpr int kRasMaxDomain = 15;
constexpr int kRasMaxAreaCode = 10;
constexpr int kRasMaxPadType = 32;
constexpr int kRasMaxX25Address = 200;
constexpr int kRasMaxFacilities = 200;
constexpr int kRasMaxUserData = 200;

// A connection handle; opaque, only compared and passed back.
typedef struct RasConnectionTag* RasConnHandle;

// The service's connection states as the notifier and status report them.
enum RasConnState : DWORD {
    RasOpenPort = 0,
    RasPortOpened = 1,
    RasConnectDevice = 2,
    RasDeviceConnected = 3,
    RasAllDevicesConnected = 4,
    RasAuthenticate = 5,
    RasAuthNotify = 6,
    RasAuthRetry = 7,
    RasAuthCallback = 8,
    RasAuthChangePassword = 9,
    RasAuthProject = 10,
    RasAuthLinkSpeed = 11,
    RasAuthAck = 12,
    RasReAuthenticate = 13,
    RasAuthenticated = 14,
    RasPrepareForCallback = 15,
    RasWaitForModemReset = 16,
    RasWaitForCallback = 17,
    RasProjected = 18,
    RasStartAuthentication = 19,
    RasCallbackComplete = 20,
    RasLogonNetwork = 21,
    RasSubEntryConnected = 22,
    RasSubEntryDisconnected = 23,
    RasInteractive = 0x1000,
    RasRetryAuthentication = 0x1001,
    RasCallbackSetByCaller = 0x1002,
    RasPasswordExpired = 0x1003,
    RasConnected = 0x2000,
    RasDisconnected = 0x2001,
};

// Result codes the dialler and the simulated service share.
constexpr DWORD kRasOk = 0;
constexpr DWORD kRasErrorInvalidHandle = 6;  // the service no longer knows the connection
constexpr DWORD kRasErrorBufferTooSmall = 603;
constexpr DWORD kRasErrorCannotFindEntry = 623;
constexpr DWORD kRasErrorInvalidSize = 632;
constexpr DWORD kRasErrorPortNotAvailable = 633;
constexpr DWORD kRasErrorLineBusy = 676;
constexpr DWORD kRasErrorNoAnswer = 678;
constexpr DWORD kRasErrorNoCarrier = 679;
constexpr DWORD kRasErrorAuthFailure = 691;

// Field values of the phonebook entry.
constexpr DWORD kRasEntryIpHeaderCompression = 0x00000008;
constexpr DWORD kRasEntryRemoteDefaultGateway = 0x00000010;
constexpr DWORD kRasEntrySwCompression = 0x00000200;
constexpr DWORD kRasNetProtocolIp = 0x00000004;
constexpr DWORD kRasFramingPpp = 0x00000001;

// The notifier of type 0: message, state, error code.
constexpr DWORD kRasNotifierType0 = 0;
typedef void(WINAPI* RasDialNotifier)(UINT message, RasConnState state, DWORD error);
// The notifier that is also told which connection the report is about.
constexpr DWORD kRasNotifierType1 = 1;
typedef void(WINAPI* RasDialNotifier1)(RasConnHandle connection, UINT message, RasConnState state, DWORD error,
                                       DWORD extendedError);

// Dial parameters without sub-entry and callback id.
struct RasDialParamsOld {
    DWORD size;
    char entryName[kRasMaxEntryName + 1];
    char phoneNumber[kRasMaxPhoneNumber + 1];
    char callbackNumber[kRasMaxCallbackNumber + 1];
    char userName[kRasMaxUserName + 1];
    char password[kRasMaxPassword + 1];
    char domain[kRasMaxDomain + 1];
};

// IP address as four bytes, most significant first.
struct RasIpAddress {
    BYTE a, b, c, d;
};

// Phonebook entry up to the reserved fields: no multilink and later fields.
struct RasEntryOld {
    DWORD size;
    DWORD options;
    DWORD countryId;
    DWORD countryCode;
    char areaCode[kRasMaxAreaCode + 1];
    char localPhoneNumber[kRasMaxPhoneNumber + 1];
    DWORD alternateOffset;
    RasIpAddress ipAddress;
    RasIpAddress ipAddressDns;
    RasIpAddress ipAddressDnsAlt;
    RasIpAddress ipAddressWins;
    RasIpAddress ipAddressWinsAlt;
    DWORD frameSize;
    DWORD netProtocols;
    DWORD framingProtocol;
    char script[MAX_PATH];
    char autodialDll[MAX_PATH];
    char autodialFunc[MAX_PATH];
    char deviceType[kRasMaxDeviceType + 1];
    char deviceName[kRasMaxDeviceName + 1];
    char x25PadType[kRasMaxPadType + 1];
    char x25Address[kRasMaxX25Address + 1];
    char x25Facilities[kRasMaxFacilities + 1];
    char x25UserData[kRasMaxUserData + 1];
    DWORD channels;
    DWORD reserved1;
    DWORD reserved2;
};

// Connection record without phonebook path and sub-entry.
struct RasConnectionOld {
    DWORD size;
    RasConnHandle handle;
    char entryName[kRasMaxEntryName + 1];
    char deviceType[kRasMaxDeviceType + 1];
    char deviceName[kRasMaxDeviceName + 1];
};

// Connection status without phone number.
struct RasConnStatusOld {
    DWORD size;
    RasConnState state;
    DWORD error;
    char deviceType[kRasMaxDeviceType + 1];
    char deviceName[kRasMaxDeviceName + 1];
};

struct RasDeviceInfoOld {
    DWORD size;
    char deviceType[kRasMaxDeviceType + 1];
    char deviceName[kRasMaxDeviceName + 1];
};

// The size each record's size field must carry on this architecture.
#ifdef _WIN64
constexpr DWORD kRasDialParamsSize = 1052;
constexpr DWORD kRasEntrySize = 1768;
constexpr DWORD kRasConnectionSize = 424;  // the handle is 8 bytes and 8-aligned
constexpr DWORD kRasConnStatusSize = 160;
constexpr DWORD kRasDeviceInfoSize = 152;
#else
constexpr DWORD kRasDialParamsSize = 1052;
constexpr DWORD kRasEntrySize = 1768;
constexpr DWORD kRasConnectionSize = 412;
constexpr DWORD kRasConnStatusSize = 160;
constexpr DWORD kRasDeviceInfoSize = 152;
#endif

static_assert(sizeof(RasDialParamsOld) == kRasDialParamsSize, "dial parameter record size");
static_assert(sizeof(RasEntryOld) == kRasEntrySize, "phonebook entry record size");
static_assert(sizeof(RasConnectionOld) == kRasConnectionSize, "connection record size");
static_assert(sizeof(RasConnStatusOld) == kRasConnStatusSize, "connection status record size");
static_assert(sizeof(RasDeviceInfoOld) == kRasDeviceInfoSize, "device record size");
static_assert(sizeof(RasConnState) == 4, "state travels as a 32-bit value");
static_assert(offsetof(RasEntryOld, deviceType) == 972, "entry device type offset");

// The service's functions with the records above. Binary-compatible with the
// system's import library (same names, argument sizes and calling convention).
extern "C" {
DWORD WINAPI RasEnumDevicesA(RasDeviceInfoOld* devices, DWORD* bufferSize, DWORD* deviceCount);
DWORD WINAPI RasSetEntryPropertiesA(const char* phonebook, const char* entryName, RasEntryOld* entry,
                                    DWORD entrySize, BYTE* deviceInfo, DWORD deviceInfoSize);
DWORD WINAPI RasDialA(void* extensions, const char* phonebook, RasDialParamsOld* params, DWORD notifierType,
                      void* notifier, RasConnHandle* connection);
DWORD WINAPI RasHangUpA(RasConnHandle connection);
DWORD WINAPI RasGetConnectStatusA(RasConnHandle connection, RasConnStatusOld* status);
DWORD WINAPI RasEnumConnectionsA(RasConnectionOld* connections, DWORD* bufferSize, DWORD* connectionCount);
DWORD WINAPI RasGetErrorStringA(UINT errorCode, char* buffer, DWORD bufferSize);
}
