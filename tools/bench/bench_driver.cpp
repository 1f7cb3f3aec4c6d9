// bench_driver.exe <Palm Desktop folder> <work folder holding setup.exe> <runs>
//
// Times the product's chain with the example Palm Desktop of one user (so
// no user dialog): from starting setup.exe to the licence dialog, where Yes
// is pressed at once, and to the final message. Beside it, in the same
// rounds, the floor: empty_program.exe started three times in a row, each
// start waited for, as the chain starts three programs. One unmeasured
// round first warms the caches. Prints every round and the medians, in
// seconds. Exit code 0, or 1 when a round did not complete.
#include "chain_driver.h"
#include "chain_windows.h"
#include "example_desktop.h"
#include "temp_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

const DWORD WINDOW_TIMEOUT_MS = 30000;
const int CHAIN_PROGRAM_COUNT = 3;

double secondsSince(LARGE_INTEGER start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now()
{
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value;
}

struct ChainTimes {
    double toLicense;
    double toFinalMessage;
};

ChainTimes timeChain(const std::string &desktop, const std::string &work)
{
    installExampleDesktop(desktop, 1);  // every round queues into an empty folder
    ChainTimes times;
    LARGE_INTEGER start = now();
    startSetup(work);
    HWND license = waitForWindow(NULL, isLicenseDialog, WINDOW_TIMEOUT_MS);
    if (!license)
        throw std::runtime_error("no licence dialog");
    times.toLicense = secondsSince(start);
    pressButton(license, IDYES);
    HWND message = waitForWindow(USER_DIALOG_CAPTION, isQueuedMessage, WINDOW_TIMEOUT_MS);
    if (!message)
        throw std::runtime_error("no final message");
    times.toFinalMessage = secondsSince(start);
    pressButton(message, IDOK);
    if (!waitUntilGone(CHAIN_PROGRAMS, WINDOW_TIMEOUT_MS))
        throw std::runtime_error("the chain did not end");
    return times;
}

double timeTrivialStarts(const std::string &program)
{
    LARGE_INTEGER start = now();
    for (int i = 0; i < CHAIN_PROGRAM_COUNT; ++i) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        char commandLine[] = "empty_program.exe";
        if (!CreateProcessA(program.c_str(), commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
            throw std::runtime_error("cannot start " + program);
        DWORD waited = WaitForSingleObject(process.hProcess, WINDOW_TIMEOUT_MS);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (waited != WAIT_OBJECT_0)
            throw std::runtime_error(program + " did not end");
    }
    return secondsSince(start);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int runBench(const std::string &desktop, const std::string &work, int runs)
{
    std::string trivial = programFolder() + "\\empty_program.exe";
    timeChain(desktop, work);
    timeTrivialStarts(trivial);

    std::vector<double> toLicense, toFinalMessage, trivialTimes;
    std::printf("round  licence dialog  final message  3 trivial starts   (seconds)\n");
    for (int round = 1; round <= runs; ++round) {
        ChainTimes chain = timeChain(desktop, work);
        double trivialStarts = timeTrivialStarts(trivial);
        toLicense.push_back(chain.toLicense);
        toFinalMessage.push_back(chain.toFinalMessage);
        trivialTimes.push_back(trivialStarts);
        std::printf("%5d  %14.3f  %13.3f  %16.3f\n", round, chain.toLicense, chain.toFinalMessage, trivialStarts);
    }
    std::printf("median %14.3f  %13.3f  %16.3f\n", median(toLicense), median(toFinalMessage), median(trivialTimes));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc == 4 ? std::atoi(argv[3]) : 0;
    if (runs < 1) {
        std::printf("usage: bench_driver.exe <Palm Desktop folder> <work folder holding setup.exe> <runs>\n");
        return 2;
    }
    try {
        return runBench(argv[1], argv[2], runs);
    } catch (const std::exception &error) {
        std::printf("bench_driver: %s\n", error.what());
        return 1;
    }
}
