// Resource ids of the worker.
#pragma once

#define IDD_SELECT_USER 102
#define IDC_USER_LIST 1000
#define IDC_ACTIVE_USER 1001

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
