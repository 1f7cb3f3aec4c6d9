#pragma once

#define IDR_TEST_SAMPLE 1000
#define IDR_TEST_EMPTY 1002
#define IDR_TEST_TEXT 7
