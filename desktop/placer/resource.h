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

// Further handheld databases queued with the application: "PRC" resources of
// consecutive ids from this one, each queued under the name that the
// "PRCNAME" resource of the same id holds (checked/databases.rc, which the
// build writes; empty when the application ships alone).
#define IDR_FURTHER_DATABASES 10002
#define MAX_DATABASES 16
#define LICENSE_RESOURCE_TYPE "LIC"

// Controls of the licence agreement dialog.
#define IDC_STATIC (-1)
#define IDC_PRODUCT_NAME 1102
#define IDC_RIGHTS_NOTICE 1104
#define IDC_LICENSE_TEXT 1106
