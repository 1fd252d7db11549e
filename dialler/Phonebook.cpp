// The phonebook entry "Tovrin": written afresh at every Connect for the
// chosen device. The number is a placeholder; each attempt passes the real
// one with the dial parameters.
#include <windows.h>
#include <stdio.h>

#include "dialler/AccessNumbers.h"
#include "dialler/DiallerContext.h"

void WritePhonebookEntry(const char* deviceName)
{
    RasEntryOld entry;
    ZeroMemory(&entry, sizeof entry);
    entry.size = kRasEntrySize;
    entry.options = kRasEntrySwCompression | kRasEntryRemoteDefaultGateway | kRasEntryIpHeaderCompression;
    snprintf(entry.localPhoneNumber, sizeof entry.localPhoneNumber, "%s", "xxxxx");
    entry.netProtocols = kRasNetProtocolIp;
    entry.framingProtocol = kRasFramingPpp;
    // ISDN adapters are driven through their modem emulation as well.
    snprintf(entry.deviceType, sizeof entry.deviceType, "%s", "modem");
    snprintf(entry.deviceName, sizeof entry.deviceName, "%s", deviceName ? deviceName : "");

    DWORD result = RasSetEntryPropertiesA(nullptr, PHONEBOOK_ENTRY_NAME, &entry, sizeof entry, nullptr, 0);
    if (result != kRasOk)
        MessageBoxA(g_dialler.mainDialog, "Unable to create the phonebook entry", "Error", MB_ICONINFORMATION);
}
