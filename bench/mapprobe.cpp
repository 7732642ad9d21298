// mapprobe: starts a program under the current X display and reports, from X events and
// /proc, how long it took to put its main window on the screen.
//
//   mapprobe [--title TEXT] [--rss-after MS] [--timeout S] -- PROGRAM ARGS...
//
// Prints one line of key=value pairs, times in milliseconds from just before fork():
//   map_ms    the MapNotify of the program's first top-level window (override-redirect
//             windows such as tooltips and menus are not top-levels and are skipped)
//   title_ms  (with --title) the first moment that window's title contains TEXT
//   idle_ms   (with --title) when the process stopped using CPU: the last moment its
//             utime+stime (/proc/PID/stat) grew before staying flat for 200 ms
//   cpu_ms    (with --title) that utime+stime: the work done, whatever else ran meanwhile
//   rss_kb    (with --rss-after) VmRSS from /proc/PID/status MS milliseconds after the map,
//             or with --title after the idle moment (the memory a page keeps once it is open)
// The program is then ended with SIGTERM (SIGKILL if it lingers). Exit status 0 on success.
//
// The map is taken from the X server's own event rather than from polling a window list, so
// it is exact to the event's delivery; the probe selects the root window's substructure events
// and makes a round trip before forking, so no map can slip past it.

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, Clock::time_point at)
{
    return std::chrono::duration<double, std::milli>(at - start).count();
}

[[noreturn]] void die(const char *what)
{
    std::fprintf(stderr, "mapprobe: %s\n", what);
    std::exit(2);
}

struct Options
{
    std::string title;
    int rssAfterMs = -1;
    int timeoutS = 60;
    std::vector<char *> argv;
};

Options parse(int argc, char **argv)
{
    Options o;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            die("missing value");
        if (a == "--title")
            o.title = argv[++i];
        else if (a == "--rss-after")
            o.rssAfterMs = std::atoi(argv[++i]);
        else if (a == "--timeout")
            o.timeoutS = std::atoi(argv[++i]);
        else
            die("unknown option");
    }
    for (; i < argc; ++i)
        o.argv.push_back(argv[i]);
    if (o.argv.empty())
        die("no program given");
    o.argv.push_back(nullptr);
    return o;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

std::optional<std::string> property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t name,
                                    xcb_atom_t type)
{
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, name, type, 0, 4096), nullptr);
    if (!r)
        return std::nullopt;
    std::optional<std::string> value;
    if (r->type != XCB_ATOM_NONE)
        value = std::string(static_cast<const char *>(xcb_get_property_value(r)),
                            size_t(xcb_get_property_value_length(r)));
    std::free(r);
    return value;
}

// utime + stime in clock ticks, or -1 once the process has gone.
long long cpuTicks(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    char buffer[1024];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = 0;
    // The command name may hold spaces and parentheses: count fields from the last ')'.
    const char *p = std::strrchr(buffer, ')');
    if (!p)
        return -1;
    unsigned long long utime = 0, stime = 0;
    // After ")": state(3) ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt
    // utime(14) stime(15).
    if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                    &stime) != 2)
        return -1;
    return (long long)(utime + stime);
}

long rssKb(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb;
}

bool alive(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

int main(int argc, char **argv)
{
    const Options opt = parse(argc, argv);

    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c))
        die("cannot open the display");
    // The program must not inherit our connection.
    ::fcntl(xcb_get_file_descriptor(c), F_SETFD, FD_CLOEXEC);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    const xcb_window_t root = it.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8String = atom(c, "UTF8_STRING");
    const xcb_atom_t netWmPid = atom(c, "_NET_WM_PID");
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // round trip

    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        die("fork failed");
    if (pid == 0) {
        ::execvp(opt.argv[0], opt.argv.data());
        std::perror("mapprobe: exec");
        ::_exit(127);
    }
    const Clock::time_point deadline = start + std::chrono::seconds(opt.timeoutS);

    // 1. The first top-level window of this process to be mapped.
    xcb_window_t window = XCB_WINDOW_NONE;
    Clock::time_point mapped;
    const int fd = xcb_get_file_descriptor(c);
    while (window == XCB_WINDOW_NONE) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto *m = reinterpret_cast<xcb_map_notify_event_t *>(e);
                if (m->event == root && !m->override_redirect && window == XCB_WINDOW_NONE) {
                    const Clock::time_point at = Clock::now();
                    // Only the started program's windows count (a window without the property
                    // is taken as its own: nothing else runs on the probe's display).
                    const auto owner = property(c, m->window, netWmPid, XCB_ATOM_CARDINAL);
                    if (!owner || owner->size() < 4 ||
                        *reinterpret_cast<const uint32_t *>(owner->data()) == uint32_t(pid)) {
                        window = m->window;
                        mapped = at;
                    }
                }
            }
            std::free(e);
        }
        if (window != XCB_WINDOW_NONE)
            break;
        if (xcb_connection_has_error(c))
            die("display connection lost");
        if (!alive(pid)) {
            std::fprintf(stderr, "mapprobe: the program ended before mapping a window\n");
            return 1;
        }
        if (Clock::now() > deadline) {
            stop(pid);
            std::fprintf(stderr, "mapprobe: no window within %d s\n", opt.timeoutS);
            return 1;
        }
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    std::printf("map_ms=%.1f", msSince(start, mapped));

    // 2. The title, then the end of the work: CPU time that stops growing.
    Clock::time_point settled = mapped;
    if (!opt.title.empty()) {
        std::optional<Clock::time_point> titled;
        long long lastTicks = -2;
        Clock::time_point lastChange = mapped;
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (now > deadline) {
                stop(pid);
                std::fprintf(stderr, "\nmapprobe: %s within %d s\n",
                             titled ? "no idle moment" : "title never showed", opt.timeoutS);
                return 1;
            }
            if (!titled) {
                auto name = property(c, window, netWmName, utf8String);
                if (!name)
                    name = property(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
                if (name && name->find(opt.title) != std::string::npos) {
                    titled = now;
                    if (lastChange < now)
                        lastChange = now;
                }
            }
            const long long ticks = cpuTicks(pid);
            if (ticks < 0) {
                std::fprintf(stderr, "\nmapprobe: the program ended\n");
                return 1;
            }
            if (ticks != lastTicks) {
                lastTicks = ticks;
                lastChange = now;
            }
            if (titled && now - lastChange >= std::chrono::milliseconds(200) &&
                now - *titled >= std::chrono::milliseconds(200))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            // Keep the event queue drained so the connection never backs up.
            while (xcb_generic_event_t *e = xcb_poll_for_event(c))
                std::free(e);
        }
        const Clock::time_point idle = std::max(lastChange, *titled);
        settled = idle;
        const double tick = 1000.0 / double(::sysconf(_SC_CLK_TCK));
        std::printf(" title_ms=%.1f idle_ms=%.1f cpu_ms=%.0f", msSince(start, *titled),
                    msSince(start, idle), double(lastTicks) * tick);
    }

    // 3. Memory a moment after start, or after the work.
    if (opt.rssAfterMs >= 0) {
        std::this_thread::sleep_until(settled + std::chrono::milliseconds(opt.rssAfterMs));
        std::printf(" rss_kb=%ld", rssKb(pid));
    }
    std::printf("\n");
    std::fflush(stdout);
    stop(pid);
    xcb_disconnect(c);
    return 0;
}
