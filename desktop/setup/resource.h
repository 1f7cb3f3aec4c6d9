// Resource ids of the setup launcher.
#pragma once

#define IDR_PLACER 1000
#define IDR_WORKER 1001
