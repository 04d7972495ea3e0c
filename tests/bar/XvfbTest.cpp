// The bar on a real X server: the test starts Xvfb on a free display and runs the child case
// below in a process of its own on the xcb platform.
#include "BarFixture.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace brisma::test {
namespace {

constexpr const char* kChildVariable = "BRISMA_BAR_X11_CHILD";

// Starts `argv` with `extraEnv` added (and every open descriptor); its output goes to `outFd`
// when given. The pid or -1.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int outFd) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStrings(extraEnv);
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    std::vector<char*> env;
    for (auto& e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::string readAll(int fd) {
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    return out;
}

std::string xvfbPath() {
    for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"})
        if (access(p, X_OK) == 0)
            return p;
    return {};
}

TEST(BarOnX11, SlidesInAndScrollsHeadlinesOnARealXServer) {
    if (std::getenv(kChildVariable))
        GTEST_SKIP() << "inside the child";
    const std::string xvfb = xvfbPath();
    if (xvfb.empty())
        GTEST_SKIP() << "Xvfb is not installed";
    // Xvfb picks a free display and writes its number to the pipe.
    int display[2];
    ASSERT_EQ(pipe(display), 0);
    const int devnull = open("/dev/null", O_WRONLY);
    const pid_t server = spawn(
        {xvfb, "-displayfd", std::to_string(display[1]), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"},
        {}, devnull);
    close(display[1]);
    ASSERT_GT(server, 0);
    std::string number;
    char c;
    while (read(display[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(display[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";

    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const pid_t child =
        spawn({"/proc/self/exe", "--gtest_filter=BarOnX11Child.*"},
              {std::string(kChildVariable) + "=1", "DISPLAY=:" + number, "QT_QPA_PLATFORM=xcb",
               // Under the leak checker: the desktop bus library Qt loads keeps a buffer.
               "LSAN_OPTIONS=suppressions=" BRISMA_TEST_DATA "/lsan.supp"},
              output[1]);
    close(output[1]);
    ASSERT_GT(child, 0);
    const std::string log = readAll(output[0]);
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    close(devnull);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
    EXPECT_NE(log.find("[  PASSED  ] 1 test"), std::string::npos) << log;
}

xcb_connection_t* connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// What the X server shows of a window, read back from the server.
QImage grab(xcb_window_t window, int width, int height) {
    xcb_connection_t* c = connection();
    auto* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
                            nullptr);
    if (!reply)
        return {};
    QImage image(xcb_get_image_data(reply), width, height, QImage::Format_RGB32);
    QImage copy = image.copy();
    std::free(reply);
    return copy;
}

class BarOnX11Child : public BarTest {};

TEST_F(BarOnX11Child, SlidesInAndScrolls) {
    if (!std::getenv(kChildVariable))
        GTEST_SKIP() << "run by BarOnX11 on its own X server";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    setList({{"0052026120800000001", "日経平均、終値で最高値を更新"}, {"0052026120800000002", "初雪を観測"}});
    bar->InitTicker();
    const auto top = static_cast<xcb_window_t>(bar->winId());

    // Another connection watches the window's place while the bar slides in.
    std::atomic<bool> sliding{true};
    std::set<int> seen;
    std::thread watcher([&] {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        // The last step may reach the server after the slide has returned: watched until it shows.
        std::optional<std::chrono::steady_clock::time_point> ended;
        for (int x = -1;
             !ended || (x != 0 && std::chrono::steady_clock::now() < *ended + std::chrono::seconds(5));) {
            if (!ended && !sliding)
                ended = std::chrono::steady_clock::now();
            if (auto* r = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, top, root, 0, 0),
                                                          nullptr)) {
                x = r->dst_x;
                seen.insert(x);
                std::free(r);
            }
        }
        xcb_disconnect(c);
    });
    bar->OpenTicker();
    sliding = false;
    QCoreApplication::processEvents();
    watcher.join();
    EXPECT_GT(seen.size(), 20u) << "the bar moved in steps";
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_GT(*seen.rbegin(), 1000);

    // A dock window: on top, unfocused, in no task bar.
    xcb_connection_t* c = connection();
    const auto atom = [c](const char* name) {
        auto* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r->atom;
        std::free(r);
        return a;
    };
    auto* type = xcb_get_property_reply(
        c, xcb_get_property(c, 0, top, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 0, 8), nullptr);
    ASSERT_NE(type, nullptr);
    ASSERT_GE(xcb_get_property_value_length(type), 4);
    EXPECT_EQ(static_cast<xcb_atom_t*>(xcb_get_property_value(type))[0], atom("_NET_WM_WINDOW_TYPE_DOCK"));
    std::free(type);

    // Scrolling: the window shows the composed picture, and it moves.
    bar->StartTicker();
    const auto view = static_cast<xcb_window_t>(bar->view().winId());
    const int width = bar->view().width();
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    bar->DrawBar();
    const QImage first = grab(view, width, 24);
    EXPECT_EQ(first, bar->hBufDC->readBack().copy(0, 0, width, 24).convertToFormat(QImage::Format_RGB32));
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_NE(grab(view, width, 24), first);
}

} // namespace
} // namespace brisma::test
