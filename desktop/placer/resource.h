// Resource identifiers of the installer, shared by placer.rc and the code.
#pragma once

// Dialog template: the licence agreement.
#define IDD_LICENSE 113

// Icon group: the product icon (class icon, dialog picture, program icon).
#define IDI_PRODUCT 120

// Carried files, each of a custom resource type.
#define IDR_PAYLOAD 10000
#define IDR_LICENSE 10001
#define PAYLOAD_RESOURCE_TYPE "PRC"
#define LICENSE_RESOURCE_TYPE "LIC"

// Controls of the licence agreement dialog.
#define IDC_STATIC (-1)
#define IDC_PRODUCT_NAME 1102
#define IDC_RIGHTS_NOTICE 1104
#define IDC_LICENSE_TEXT 1106
