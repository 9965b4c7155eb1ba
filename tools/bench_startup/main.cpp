// bench-startup --wine WINDOWS_BIN [rounds]: the same under Wine, in a fresh prefix of its own:
// WINDOWS_BIN/4vt.exe against WINDOWS_BIN/bench-startup-bare.exe, the bare window built for
// Windows, with one Wine server kept for all the starts.
//
// bench-startup [rounds [program]]: starts 4vt (the one built beside it unless named) and a bare Qt
// window with a menu bar (this program with
// --bare) in turn, each until its main window is mapped on the X display, and prints the median
// clock and processor time of each and their ratio. Both run under uk_UA.UTF-8, with a home and
// runtime folder of their own, first with the system's icon theme caches, then with a copy of
// the system's shared data whose icon themes have no cache (a fresh machine, CI). Needs DISPLAY.

#include "BareWindow.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Sample
{
    double wall = 0; // ms from the start to the main window's mapping
    double cpu = 0;  // ms of processor time, user and system, until then
};

class XDisplay
{
public:
    XDisplay()
    {
        m_c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_c))
            throw std::runtime_error("cannot connect to the X display (DISPLAY)");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        m_netWmName = atom("_NET_WM_NAME");
        m_netWmPid = atom("_NET_WM_PID");
        xcb_flush(m_c);
    }
    ~XDisplay() { xcb_disconnect(m_c); }

    // Starts argv with env and waits until a window of that process with `title` is mapped.
    Sample measure(const std::vector<std::string>& args, const std::vector<std::string>& env,
                   const std::string& title)
    {
        std::vector<char*> a, e;
        for (const std::string& s : args)
            a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        for (const std::string& s : env)
            e.push_back(const_cast<char*>(s.c_str()));
        e.push_back(nullptr);
        drain();
        const auto start = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, a[0], nullptr, nullptr, a.data(), e.data()) != 0)
            throw std::runtime_error("cannot start " + args[0]);
        std::optional<Clock::time_point> mapped;
        while (!mapped) {
            pollfd p{xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&p, 1, 100);
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid)
                throw std::runtime_error(args[0] + " ended before its window was mapped");
            while (xcb_generic_event_t* ev = xcb_poll_for_event(m_c)) {
                const uint8_t type = ev->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    const auto* cn = reinterpret_cast<xcb_create_notify_event_t*>(ev);
                    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                    xcb_change_window_attributes(m_c, cn->window, XCB_CW_EVENT_MASK, &mask);
                    xcb_flush(m_c);
                    // Mapped before we listened to it?
                    auto* attrs = xcb_get_window_attributes_reply(
                        m_c, xcb_get_window_attributes(m_c, cn->window), nullptr);
                    if (attrs && attrs->map_state != XCB_MAP_STATE_UNMAPPED &&
                        isTheWindow(cn->window, pid, title))
                        mapped = Clock::now();
                    std::free(attrs);
                } else if (type == XCB_MAP_NOTIFY) {
                    const auto* mn = reinterpret_cast<xcb_map_notify_event_t*>(ev);
                    if (isTheWindow(mn->window, pid, title))
                        mapped = Clock::now();
                }
                std::free(ev);
                if (mapped)
                    break;
            }
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
        return {std::chrono::duration<double, std::milli>(*mapped - start).count(),
                ms(usage.ru_utime) + ms(usage.ru_stime)};
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto* r = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    std::string property(xcb_window_t w, xcb_atom_t name, xcb_atom_t type)
    {
        auto* r =
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, name, type, 0, 1024), nullptr);
        std::string value;
        if (r)
            value.assign(static_cast<const char*>(xcb_get_property_value(r)),
                         static_cast<std::size_t>(xcb_get_property_value_length(r)));
        std::free(r);
        return value;
    }

    bool isTheWindow(xcb_window_t w, pid_t pid, const std::string& title)
    {
        const std::string p = property(w, m_netWmPid, XCB_ATOM_CARDINAL);
        uint32_t owner = 0;
        if (p.size() == 4)
            std::memcpy(&owner, p.data(), 4);
        return owner == static_cast<uint32_t>(pid) &&
               property(w, m_netWmName, XCB_GET_PROPERTY_TYPE_ANY) == title;
    }

    void drain()
    {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(m_c))
            std::free(ev);
    }

    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_netWmName = XCB_ATOM_NONE;
    xcb_atom_t m_netWmPid = XCB_ATOM_NONE;
};

// A copy of `share` (symbolic links) whose icon themes carry no icon-theme.cache.
void mirrorWithoutIconCaches(const fs::path& share, const fs::path& to)
{
    fs::create_directories(to);
    for (const fs::directory_entry& e : fs::directory_iterator(share)) {
        if (e.path().filename() != "icons") {
            fs::create_symlink(e.path(), to / e.path().filename());
            continue;
        }
        for (const fs::directory_entry& theme : fs::directory_iterator(e.path())) {
            const fs::path themeCopy = to / "icons" / theme.path().filename();
            if (!theme.is_directory()) {
                fs::create_directories(themeCopy.parent_path());
                fs::create_symlink(theme.path(), themeCopy);
                continue;
            }
            fs::create_directories(themeCopy);
            for (const fs::directory_entry& item : fs::directory_iterator(theme.path()))
                if (item.path().filename() != "icon-theme.cache")
                    fs::create_symlink(item.path(), themeCopy / item.path().filename());
        }
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}



int runUnderWine(const fs::path& windowsBin, int rounds)
{
    const char* display = std::getenv("DISPLAY");
    if (!display)
        throw std::runtime_error("DISPLAY is not set");
    char dirTemplate[] = "/tmp/bench-startup-wine-XXXXXX";
    if (!::mkdtemp(dirTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const fs::path dir = dirTemplate;
    const std::vector<std::string> env{"DISPLAY=" + std::string(display),
                                       "HOME=" + dir.string(),
                                       "WINEPREFIX=" + (dir / "prefix").string(),
                                       "WINEARCH=win64",
                                       "WINEDEBUG=-all",
                                       "WINEDLLOVERRIDES=mscoree,mshtml=",
                                       "LC_ALL=uk_UA.UTF-8",
                                       "PATH=/usr/bin:/bin"};
    const auto run = [&env](const std::string& command) {
        std::string line;
        for (const std::string& e : env)
            line += "'" + e + "' ";
        if (std::system(("env -i " + line + command + " >/dev/null 2>&1").c_str()) != 0)
            throw std::runtime_error("failed: " + command);
    };
    run("wineboot -i");
    run("sh -c 'wineserver -p30 </dev/null >/dev/null 2>&1 &'");
    XDisplay x;
    std::map<bool, std::vector<double>> wall, cpu;
    for (int round = -1; round < rounds; ++round) { // round -1 warms the prefix
        for (const bool program : {true, false}) {
            const fs::path exe = windowsBin / (program ? "4vt.exe" : "bench-startup-bare.exe");
            const Sample s = x.measure({"/usr/bin/wine", exe.string()}, env,
                                       program ? "4ВТ" : BareWindowTitle);
            if (round >= 0) {
                wall[program].push_back(s.wall);
                cpu[program].push_back(s.cpu);
            }
        }
    }
    run("wineserver -k");
    const double pw = median(wall[true]), bw = median(wall[false]);
    std::printf("%-22s %10s %10s %8s\n", "under Wine", "4vt.exe ms", "bare ms", "clock");
    std::printf("%-22s %10.1f %10.1f %7.2fx\n", ("median of " + std::to_string(rounds)).c_str(), pw, bw,
                pw / bw);
    fs::remove_all(dir);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return runBareWindow(argc, argv);
    try {
        if (argc > 2 && std::strcmp(argv[1], "--wine") == 0)
            return runUnderWine(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 9);
        const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
        const std::string programPath = argc > 2 ? argv[2] : FVT_PROGRAM;
        const char* display = std::getenv("DISPLAY");
        if (!display)
            throw std::runtime_error("DISPLAY is not set");
        char dirTemplate[] = "/tmp/bench-startup-XXXXXX";
        if (!::mkdtemp(dirTemplate))
            throw std::runtime_error("cannot make a temporary folder");
        const fs::path dir = dirTemplate;
        const fs::path home = dir / "home";
        fs::create_directories(home);
        const fs::path noCache = dir / "share";
        mirrorWithoutIconCaches("/usr/share", noCache);
        const std::string self = fs::canonical("/proc/self/exe").string();

        XDisplay x;
        std::printf("%-22s %10s %10s %10s %10s %8s %8s\n", "icon theme", "4vt ms", "bare ms",
                    "4vt cpu", "bare cpu", "clock", "cpu");
        for (const bool cached : {true, false}) {
            std::map<bool, std::vector<double>> wall, cpu;
            for (int round = -1; round < rounds; ++round) { // round -1 warms the caches
                for (const bool program : {true, false}) {
                    const fs::path runtime = dir / ("rt-" + std::to_string(round + 1) +
                                                    (program ? "p" : "b") + (cached ? "c" : "n"));
                    fs::create_directories(runtime);
                    fs::permissions(runtime, fs::perms::owner_all);
                    std::vector<std::string> env{"DISPLAY=" + std::string(display),
                                                 "HOME=" + home.string(),
                                                 "XDG_RUNTIME_DIR=" + runtime.string(),
                                                 "LC_ALL=uk_UA.UTF-8",
                                                 "LANG=uk_UA.UTF-8",
                                                 "PATH=/usr/bin:/bin"};
                    if (!cached)
                        env.push_back("XDG_DATA_DIRS=" + noCache.string());
                    const Sample s = program ? x.measure({programPath}, env, "4ВТ")
                                             : x.measure({self, "--bare"}, env, BareWindowTitle);
                    if (round >= 0) {
                        wall[program].push_back(s.wall);
                        cpu[program].push_back(s.cpu);
                    }
                }
            }
            const double pw = median(wall[true]), bw = median(wall[false]);
            const double pc = median(cpu[true]), bc = median(cpu[false]);
            std::printf("%-22s %10.1f %10.1f %10.1f %10.1f %7.2fx %7.2fx\n",
                        cached ? "with its cache" : "without a cache", pw, bw, pc, bc, pw / bw,
                        pc / bc);
        }
        fs::remove_all(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-startup: %s\n", e.what());
        return 1;
    }
    return 0;
}
