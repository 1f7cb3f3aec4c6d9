// Resource ids and types of the setup launcher.
#pragma once

#define IDR_PLACER 1000
#define IDR_WORKER 1001
#define PLACER_RESOURCE_TYPE "PLACER"
#define WORKER_RESOURCE_TYPE "WORKER"
