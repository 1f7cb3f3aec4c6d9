#include "app_instance.h"

HINSTANCE appInstance = NULL;
