// Resource ids of the worker.
#pragma once

#define IDD_SELECT_USER 102
#define IDC_USER_LIST 1000
#define IDC_ACTIVE_USER 1001

// The digest of the installer the worker starts (32 bytes of SHA-256).
#define IDR_INSTALLER_DIGEST 2000

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
