#pragma once
// Devices, the two access-number lists and the phonebook entry.

enum class NumberKind { Freephone, LocalRate };

// Fills the device list, selects the saved device, checks freephone, reads
// the settings into g_dialler and loads both number lists. Needs the main
// dialog's control handles in g_dialler.
void InitDevicesAndNumbers();

// Reads the stored user name and password into g_dialler, cut to its fields.
void ReadCredentials();

// Reads one kind's list into its table (seeding an empty store).
void LoadNumberList(NumberKind kind);

// The number for the next attempt of the chosen kind, rotating.
const char* NextAccessNumber();

// Creates or replaces the entry "Tovrin" for deviceName; a failure is shown
// in a message box and dialling goes on regardless.
void WritePhonebookEntry(const char* deviceName);

// True for the device types the dialler offers (modem and ISDN, any case).
bool IsDiallableDeviceType(const char* deviceType);
