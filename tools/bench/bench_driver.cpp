// bench_driver.exe <Palm Desktop folder> <work folder holding setup.exe> <runs>
// bench_driver.exe --peer <Palm Desktop folder> <work folder holding setup.exe>
//                  <work folder holding nsis_peer.exe> <runs>
// bench_driver.exe --versus <Palm Desktop folder> <work folder holding setup.exe>
//                  <work folder holding another setup.exe> <runs>
//
// Times the product's chain with the example Palm Desktop of one user (so
// no user dialog): from starting setup.exe to the licence dialog, where Yes
// is pressed at once, and to the final message. Beside it, in the same
// rounds, the floor: empty_program.exe started three times in a row, each
// start waited for, as the chain starts three programs. One unmeasured
// round first warms the caches. Prints every round and the medians, in
// seconds. Exit code 0, or 1 when a round did not complete.
//
// With --peer, the same chain beside the NSIS installer that does its job
// (bench/nsis_peer.nsi): to its licence page, where "I Agree" is pressed at
// once, and to its closing message. The two take turns, each round in the
// other order, so that a slow spell of the machine falls on both; every
// time is taken by this program's clock. Prints every round, the medians
// and their ratios ours / NSIS. With --versus, the same against another
// build's setup.exe (an earlier commit's, say): ratios ours / other.
#include "chain_driver.h"
#include "chain_windows.h"
#include "example_desktop.h"
#include "temp_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const DWORD WINDOW_TIMEOUT_MS = 30000;
const int CHAIN_PROGRAM_COUNT = 3;
const char PEER_PROGRAM[] = "nsis_peer.exe";
const char PEER_CAPTION[] = "Kelvane NSIS peer";

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

bool isPeerLicensePage(const WindowView &view)
{
    return !view.isMessageBox();
}

// As waitForWindow, but for any caption that begins with the peer's: NSIS
// adds the page's name to it ("...: License Agreement").
HWND waitForPeerWindow(bool (*accept)(const WindowView &), DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    const std::string caption = PEER_CAPTION;
    for (;;) {
        for (HWND window = NULL; (window = FindWindowExA(NULL, window, "#32770", NULL)) != NULL;) {
            char text[128];
            GetWindowTextA(window, text, sizeof text);
            if (std::string(text).rfind(caption, 0) == 0 && IsWindowVisible(window) && accept(viewWindow(window)))
                return window;
        }
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(1);
    }
}

// The NSIS peer, timed as the chain is: to its licence page and to its
// closing message, which says what the product's says.
ChainTimes timePeer(const std::string &desktop, const std::string &work)
{
    installExampleDesktop(desktop, 1);
    ChainTimes times;
    LARGE_INTEGER start = now();
    startInFolder(work, PEER_PROGRAM);
    HWND license = waitForPeerWindow(isPeerLicensePage, WINDOW_TIMEOUT_MS);
    if (!license)
        throw std::runtime_error("no licence page from the NSIS peer");
    times.toLicense = secondsSince(start);
    pressButton(license, IDOK);
    HWND message = waitForPeerWindow(isQueuedMessage, WINDOW_TIMEOUT_MS);
    if (!message)
        throw std::runtime_error("no closing message from the NSIS peer");
    times.toFinalMessage = secondsSince(start);
    pressButton(message, IDOK);
    if (!waitUntilGone({PEER_PROGRAM}, WINDOW_TIMEOUT_MS))
        throw std::runtime_error("the NSIS peer did not end");
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

double fastest(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
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

struct Contender {
    const char *name;
    ChainTimes (*time)(const std::string &desktop, const std::string &work);
    std::string work;
};

// The two take turns, each round in the other order; prints every round,
// the medians and the ratios first / second.
int runPairBench(const std::string &desktop, const Contender &first, const Contender &second, int runs)
{
    first.time(desktop, first.work);
    second.time(desktop, second.work);

    std::vector<double> firstLicense, firstFinal, secondLicense, secondFinal, licenseRatios, finalRatios;
    std::printf("round  %6s: licence  closing  %6s: licence  closing   (seconds)\n", first.name, second.name);
    for (int round = 1; round <= runs; ++round) {
        ChainTimes firstTimes, secondTimes;
        if (round % 2) {
            firstTimes = first.time(desktop, first.work);
            secondTimes = second.time(desktop, second.work);
        } else {
            secondTimes = second.time(desktop, second.work);
            firstTimes = first.time(desktop, first.work);
        }
        firstLicense.push_back(firstTimes.toLicense);
        firstFinal.push_back(firstTimes.toFinalMessage);
        secondLicense.push_back(secondTimes.toLicense);
        secondFinal.push_back(secondTimes.toFinalMessage);
        licenseRatios.push_back(firstTimes.toLicense / secondTimes.toLicense);
        finalRatios.push_back(firstTimes.toFinalMessage / secondTimes.toFinalMessage);
        std::printf("%5d  %15.3f %8.3f  %15.3f %8.3f\n", round, firstTimes.toLicense, firstTimes.toFinalMessage,
                    secondTimes.toLicense, secondTimes.toFinalMessage);
    }
    std::printf("median %15.3f %8.3f  %15.3f %8.3f\n", median(firstLicense), median(firstFinal),
                median(secondLicense), median(secondFinal));
    std::printf("%s / %s (medians): to the licence %.2f, to the closing message %.2f\n", first.name, second.name,
                median(firstLicense) / median(secondLicense), median(firstFinal) / median(secondFinal));
    // Each round's pair ran back to back, so its ratio is the least
    // disturbed by the rest of the machine.
    std::printf("%s / %s (median of the rounds' ratios): to the licence %.2f, to the closing message %.2f\n",
                first.name, second.name, median(licenseRatios), median(finalRatios));
    // The fastest round of each is the one the rest of the machine
    // disturbed least.
    std::printf("%s / %s (fastest rounds): to the licence %.2f, to the closing message %.2f\n", first.name,
                second.name, fastest(firstLicense) / fastest(secondLicense), fastest(firstFinal) / fastest(secondFinal));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string mode = argc == 6 ? argv[1] : "";
    if (mode == "--peer" || mode == "--versus") {
        int runs = std::atoi(argv[5]);
        Contender ours{"ours", timeChain, argv[3]};
        Contender other = mode == "--peer" ? Contender{"NSIS", timePeer, argv[4]} : Contender{"other", timeChain, argv[4]};
        try {
            return runs < 1 ? 2 : runPairBench(argv[2], ours, other, runs);
        } catch (const std::exception &error) {
            std::printf("bench_driver: %s\n", error.what());
            return 1;
        }
    }
    int runs = argc == 4 ? std::atoi(argv[3]) : 0;
    if (runs < 1) {
        std::printf("usage: bench_driver.exe <Palm Desktop folder> <work folder holding setup.exe> <runs>\n"
                    "       bench_driver.exe --peer <Palm Desktop folder> <work folder holding setup.exe>\n"
                    "                        <work folder holding nsis_peer.exe> <runs>\n"
                    "       bench_driver.exe --versus <Palm Desktop folder> <work folder holding setup.exe>\n"
                    "                        <work folder holding another setup.exe> <runs>\n");
        return 2;
    }
    try {
        return runBench(argv[1], argv[2], runs);
    } catch (const std::exception &error) {
        std::printf("bench_driver: %s\n", error.what());
        return 1;
    }
}
