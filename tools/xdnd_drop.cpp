// xdnd_drop: drops files onto an X window with the XDND protocol, as a file
// manager would, so that tests can make real drags onto programs running
// under Wine (which turns the drop into WM_DROPFILES).
//
//   xdnd_drop [--timeout SECONDS] [--status-file PATH] --name REGEX FILE...
//   xdnd_drop [--timeout SECONDS] [--status-file PATH] --window XID FILE...
//
// --name picks the first mapped window, in a depth-first walk of the window
// tree from the root (topmost first), whose WM_NAME or _NET_WM_NAME matches
// REGEX: a POSIX extended expression, case-insensitive, unanchored, as
// `xdotool search --onlyvisible --name` matches (use '^Title$' for an exact
// title). The search is repeated until such a window appears or the time
// runs out.
// --window takes the window id (decimal, or hex with 0x) as it is.
// --timeout bounds the whole run (default 10 seconds).
// --status-file writes the exit status and a newline to PATH when the tool
// ends (into PATH.tmp first, then renamed): a Windows program under Wine that
// starts this tool gets no process handle to wait on, so it waits for PATH.
//
// Relative FILE arguments are made absolute against the current folder
// ("." and ".." resolved by name, symbolic links kept); files need not exist.
// A FILE with a drive ("C:\dir\a.html", "Z:/tmp/a.html") is a path of the
// Wine prefix ($WINEPREFIX, else ~/.wine) and goes through its drive link in
// dosdevices/, as Wine itself maps it.
//
// Exit status: 0 the drop was accepted and finished; 1 other failure (no
// display, X error); 2 usage; 3 the target refused the drop; 4 no such
// window; 5 the window is not XdndAware; 6 timeout while the target was
// negotiating. Every failure prints one line on stderr (a usage error also
// the usage line).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <regex.h>
#include <sys/select.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

enum ExitCode {
    kOk = 0,
    kFailed = 1,
    kUsage = 2,
    kRefused = 3,
    kNoWindow = 4,
    kNotAware = 5,
    kTimeout = 6,
};

// The protocol version this source speaks; a target's lower one wins.
constexpr long kOurVersion = 5;

using Clock = std::chrono::steady_clock;

const char* g_status_file = nullptr;  // --status-file, when given

[[noreturn]] void Exit(ExitCode status) {
    if (g_status_file) {
        const std::string temporary = std::string(g_status_file) + ".tmp";
        FILE* file = std::fopen(temporary.c_str(), "w");
        const bool written = file && std::fprintf(file, "%d\n", static_cast<int>(status)) > 0;
        if (file && std::fclose(file) == 0 && written) {
            std::rename(temporary.c_str(), g_status_file);
        } else {
            std::fprintf(stderr, "xdnd_drop: cannot write the status file %s\n", g_status_file);
        }
    }
    std::exit(status);
}

[[noreturn]] void Fail(ExitCode status, const std::string& message) {
    std::fprintf(stderr, "xdnd_drop: %s\n", message.c_str());
    Exit(status);
}

std::string Hex(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

// ---- file names to URIs

bool HasDrive(const std::string& file) {
    return file.size() >= 3 && std::isalpha(static_cast<unsigned char>(file[0])) &&
           file[1] == ':' && (file[2] == '\\' || file[2] == '/');
}

// The Unix path of a Windows one with a drive, through the prefix's drive
// link; the rest of the path is not resolved.
std::string PrefixPath(const std::string& file) {
    std::string prefix;
    if (const char* wine_prefix = std::getenv("WINEPREFIX"); wine_prefix && *wine_prefix) {
        prefix = wine_prefix;
    } else if (const char* home = std::getenv("HOME")) {
        prefix = std::string(home) + "/.wine";
    }
    const std::string devices = prefix + "/dosdevices";
    const std::string link =
        devices + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(file[0]))) + ":";
    std::vector<char> target(4096);
    const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
    if (length < 0) Fail(kFailed, "no drive " + file.substr(0, 2) + " in the Wine prefix " + prefix);
    std::string path(target.data(), static_cast<size_t>(length));
    if (path.empty() || path[0] != '/') path = devices + "/" + path;
    for (size_t i = 2; i < file.size(); ++i) path += file[i] == '\\' ? '/' : file[i];
    return path;
}

std::string AbsolutePath(const std::string& name) {
    const std::string file = HasDrive(name) ? PrefixPath(name) : name;
    std::string path;
    if (file.empty() || file[0] != '/') {
        std::vector<char> cwd(4096);
        while (!getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE) Fail(kFailed, "cannot read the current folder");
            cwd.resize(cwd.size() * 2);
        }
        path = cwd.data();
        path += '/';
    }
    path += file;
    // Resolve "." and ".." and doubled slashes by name.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

// file:// URI of an absolute path: every byte outside the unreserved ASCII
// set (and "/") as %XX, so UTF-8 names travel as their bytes.
std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

// text/uri-list: one URI a line, each line ended by CR LF.
std::string UriList(const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& file : files) list += FileUri(AbsolutePath(file)) + "\r\n";
    return list;
}

// ---- X helpers

int g_x_error = 0;  // the last X error code seen, 0 when none

int RecordXError(Display*, XErrorEvent* event) {
    g_x_error = event->error_code;
    return 0;
}

struct Atoms {
    Atom aware, proxy, selection, enter, position, status, leave, drop, finished;
    Atom action_copy, uri_list, targets, net_wm_name, utf8_string;
};

Atoms InternAtoms(Display* display) {
    const char* names[] = {"XdndAware", "XdndProxy", "XdndSelection", "XdndEnter",
                           "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop",
                           "XdndFinished", "XdndActionCopy", "text/uri-list", "TARGETS",
                           "_NET_WM_NAME", "UTF8_STRING"};
    Atom atoms[sizeof names / sizeof names[0]];
    XInternAtoms(display, const_cast<char**>(names), sizeof names / sizeof names[0], False,
                 atoms);
    return Atoms{atoms[0], atoms[1], atoms[2],  atoms[3],  atoms[4],  atoms[5],  atoms[6],
                 atoms[7], atoms[8], atoms[9], atoms[10], atoms[11], atoms[12], atoms[13]};
}

// The first 32-bit item of a window property of the given type, if any.
std::optional<unsigned long> Property32(Display* display, Window window, Atom property,
                                        Atom type) {
    Atom actual_type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    g_x_error = 0;
    const int result = XGetWindowProperty(display, window, property, 0, 1, False, type,
                                          &actual_type, &format, &count, &remaining, &data);
    std::optional<unsigned long> value;
    if (result == Success && g_x_error == 0 && actual_type == type && format == 32 &&
        count >= 1) {
        value = reinterpret_cast<unsigned long*>(data)[0];
    }
    if (data) XFree(data);
    return value;
}

std::string TextProperty(Display* display, Window window, Atom property) {
    Atom actual_type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string text;
    g_x_error = 0;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, AnyPropertyType,
                           &actual_type, &format, &count, &remaining, &data) == Success &&
        g_x_error == 0 && data && format == 8) {
        text.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    return text;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    g_x_error = 0;
    return XGetWindowAttributes(display, window, &attributes) && g_x_error == 0 &&
           attributes.map_state == IsViewable;
}

bool NameMatches(Display* display, const Atoms& atoms, Window window, const regex_t& pattern) {
    for (Atom property : {static_cast<Atom>(XA_WM_NAME), atoms.net_wm_name}) {
        const std::string name = TextProperty(display, window, property);
        if (!name.empty() && regexec(&pattern, name.c_str(), 0, nullptr, 0) == 0) return true;
    }
    return false;
}

// Depth first from window, parents before children, children top to bottom
// (XQueryTree gives them bottom to top).
Window FindByName(Display* display, const Atoms& atoms, Window window, const regex_t& pattern) {
    if (Viewable(display, window) && NameMatches(display, atoms, window, pattern)) return window;
    Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    g_x_error = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count) || g_x_error) {
        return None;
    }
    Window found = None;
    for (unsigned int i = count; i > 0 && found == None; --i) {
        found = FindByName(display, atoms, children[i - 1], pattern);
    }
    if (children) XFree(children);
    return found;
}

double SecondsLeft(Clock::time_point deadline) {
    return std::chrono::duration<double>(deadline - Clock::now()).count();
}

// Waits for the next X event until the deadline; false on timeout.
bool NextEvent(Display* display, XEvent* event, Clock::time_point deadline) {
    while (!XPending(display)) {
        const double left = SecondsLeft(deadline);
        if (left <= 0) return false;
        const int fd = ConnectionNumber(display);
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval wait;
        wait.tv_sec = static_cast<long>(left);
        wait.tv_usec = static_cast<long>((left - static_cast<double>(wait.tv_sec)) * 1e6);
        if (select(fd + 1, &fds, nullptr, nullptr, &wait) < 0 && errno != EINTR) {
            Fail(kFailed, "lost the X connection");
        }
    }
    XNextEvent(display, event);
    return true;
}

struct Options {
    double timeout = 10;
    const char* name = nullptr;
    Window window = None;
    std::vector<std::string> files;
};

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr,
                 "xdnd_drop: %s\n"
                 "usage: xdnd_drop [--timeout SECONDS] [--status-file PATH]"
                 " --name REGEX|--window XID FILE...\n",
                 problem);
    Exit(kUsage);
}

Options ParseArguments(int argc, char** argv) {
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.rfind("--", 0) != 0) break;
        if (arg != "--timeout" && arg != "--status-file" && arg != "--name" &&
            arg != "--window") {
            Usage(("unknown option " + arg).c_str());
        }
        if (i + 1 >= argc) Usage((arg + " needs a value").c_str());
        const char* value = argv[++i];
        char* end = nullptr;
        if (arg == "--timeout") {
            options.timeout = std::strtod(value, &end);
            if (end == value || *end || !(options.timeout > 0)) Usage("bad --timeout");
        } else if (arg == "--status-file") {
            g_status_file = value;
        } else if (arg == "--name") {
            options.name = value;
        } else if (arg == "--window") {
            options.window = std::strtoul(value, &end, 0);
            if (end == value || *end || options.window == None) Usage("bad --window");
        }
    }
    if ((options.name != nullptr) == (options.window != None)) {
        Usage("give exactly one of --name and --window");
    }
    for (; i < argc; ++i) options.files.push_back(argv[i]);
    if (options.files.empty()) Usage("no files to drop");
    return options;
}

class Drag {
public:
    Drag(Display* display, const Atoms& atoms, Window target, std::string data)
        : display_(display), atoms_(atoms), target_(target), data_(std::move(data)) {}

    ExitCode Run(Clock::time_point deadline);

private:
    void Send(Atom type, long l1, long l2, long l3, long l4);
    void AnswerSelectionRequest(const XSelectionRequestEvent& request);
    Time ServerTime();

    Display* display_;
    const Atoms& atoms_;
    Window target_;
    Window messenger_ = None;  // where the messages go: the target or its proxy
    Window source_ = None;
    long version_ = 0;
    std::string data_;
};

void Drag::Send(Atom type, long l1, long l2, long l3, long l4) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display_;
    event.xclient.window = target_;  // the target even when a proxy receives it
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(source_);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display_, messenger_, False, NoEventMask, &event);
    XFlush(display_);
}

// A server timestamp, from a property change on our own window.
Time Drag::ServerTime() {
    XChangeProperty(display_, source_, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(display_, source_, PropertyChangeMask, &event);
    return event.xproperty.time;
}

void Drag::AnswerSelectionRequest(const XSelectionRequestEvent& request) {
    XEvent reply = {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    // Very old clients leave the property out: they mean the target.
    const Atom property = request.property != None ? request.property : request.target;
    reply.xselection.property = None;
    if (request.selection == atoms_.selection) {
        if (request.target == atoms_.uri_list) {
            XChangeProperty(display_, request.requestor, property, atoms_.uri_list, 8,
                            PropModeReplace,
                            reinterpret_cast<const unsigned char*>(data_.data()),
                            static_cast<int>(data_.size()));
            reply.xselection.property = property;
        } else if (request.target == atoms_.targets) {
            const Atom offered[] = {atoms_.targets, atoms_.uri_list};
            XChangeProperty(display_, request.requestor, property, XA_ATOM, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(offered),
                            2);
            reply.xselection.property = property;
        }
    }
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
    XFlush(display_);
}

ExitCode Drag::Run(Clock::time_point deadline) {
    const Window root = DefaultRootWindow(display_);
    // XdndProxy counts only when the proxy window names itself as proxy too.
    messenger_ = target_;
    if (auto proxy = Property32(display_, target_, atoms_.proxy, XA_WINDOW)) {
        auto back = Property32(display_, *proxy, atoms_.proxy, XA_WINDOW);
        if (back && *back == *proxy) messenger_ = *proxy;
    }
    auto version = Property32(display_, messenger_, atoms_.aware, XA_ATOM);
    if (!version) {
        Fail(kNotAware, "window " + Hex(target_) + " is not XdndAware");
    }
    version_ = static_cast<long>(*version) < kOurVersion ? static_cast<long>(*version)
                                                          : kOurVersion;

    // The middle of the target, in root coordinates.
    XWindowAttributes attributes;
    g_x_error = 0;
    if (!XGetWindowAttributes(display_, target_, &attributes) || g_x_error) {
        Fail(kFailed, "the target window went away");
    }
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display_, target_, root, attributes.width / 2,
                          attributes.height / 2, &x, &y, &child);

    XSetWindowAttributes source_attributes = {};
    source_attributes.event_mask = PropertyChangeMask;
    source_ = XCreateWindow(display_, root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                            CopyFromParent, CWEventMask, &source_attributes);
    const Time time = ServerTime();
    XSetSelectionOwner(display_, atoms_.selection, source_, time);
    if (XGetSelectionOwner(display_, atoms_.selection) != source_) {
        Fail(kFailed, "cannot own XdndSelection");
    }

    Send(atoms_.enter, version_ << 24, static_cast<long>(atoms_.uri_list), None, None);
    Send(atoms_.position, 0, (static_cast<long>(x) << 16) | (y & 0xFFFF),
         static_cast<long>(time), static_cast<long>(atoms_.action_copy));

    bool dropped = false;
    XEvent event;
    while (NextEvent(display_, &event, deadline)) {
        if (event.type == SelectionRequest) {
            AnswerSelectionRequest(event.xselectionrequest);
            continue;
        }
        if (event.type != ClientMessage || event.xclient.format != 32 ||
            static_cast<Window>(event.xclient.data.l[0]) != target_) {
            continue;
        }
        const long* l = event.xclient.data.l;
        if (event.xclient.message_type == atoms_.status && !dropped) {
            if (!(l[1] & 1)) {
                Send(atoms_.leave, 0, 0, 0, 0);
                Fail(kRefused, "the target refused the drop");
            }
            Send(atoms_.drop, 0, static_cast<long>(time), 0, 0);
            dropped = true;
        } else if (event.xclient.message_type == atoms_.finished && dropped) {
            // Version 5 says in the message whether the target took the data.
            if (version_ >= 5 && !(l[1] & 1)) {
                Fail(kRefused, "the target refused the drop after it was made");
            }
            return kOk;
        }
    }
    if (!dropped) {
        Send(atoms_.leave, 0, 0, 0, 0);
        Fail(kTimeout, "timeout: no XdndStatus from the target");
    }
    Fail(kTimeout, "timeout: no XdndFinished from the target");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseArguments(argc, argv);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(options.timeout));
    std::string data = UriList(options.files);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        Fail(kFailed, std::string("cannot open display ") +
                          (name && *name ? name : "(DISPLAY is not set)"));
    }
    XSetErrorHandler(RecordXError);
    const Atoms atoms = InternAtoms(display);

    Window target = options.window;
    if (options.name) {
        regex_t pattern;
        if (regcomp(&pattern, options.name, REG_EXTENDED | REG_ICASE | REG_NOSUB) != 0) {
            Usage("bad --name expression");
        }
        for (;;) {
            target = FindByName(display, atoms, DefaultRootWindow(display), pattern);
            if (target != None) break;
            if (SecondsLeft(deadline) <= 0) {
                Fail(kNoWindow, std::string("no mapped window named like \"") + options.name +
                                    "\"");
            }
            usleep(50 * 1000);
        }
        regfree(&pattern);
    } else {
        XWindowAttributes attributes;
        g_x_error = 0;
        XSync(display, False);
        if (!XGetWindowAttributes(display, target, &attributes) || g_x_error) {
            Fail(kNoWindow, "no window " + Hex(target));
        }
    }

    Drag drag(display, atoms, target, std::move(data));
    const ExitCode status = drag.Run(deadline);
    XCloseDisplay(display);
    Exit(status);
}
