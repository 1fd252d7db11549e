#pragma once
// Resource and control identifiers of the statistics window's template.
#define IDD_STATISTICS 102

#define IDC_BANNER 1000
#define IDC_ONLINE_HOURS 1002
#define IDC_ONLINE_MINUTES 1003
#define IDC_ONLINE_SECONDS 1004
#define IDC_DISCONNECT 1006
#define IDC_USED_TIME 1007
#define IDC_ALLOWED_TIME 1008
#define IDC_REMAINING_TIME 1009

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
