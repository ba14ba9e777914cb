#pragma once

// For checks that run windows on a real X server: a private Xvfb, a home of
// their own, and a count of failures. Exit codes: 0 passed, 1 failed,
// 77 skipped (no Xvfb).

#include "support/test_home.h"
#include "ui/file_list_box.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <xcb/xcb.h>

extern char** environ;

namespace lumora::test {

// A program run beside the check, its output dropped, ended with the check.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    // argv[0] is the program's path; `notInherited` is a descriptor the child
    // must not keep open.
    bool start(const char* const* argv, int notInherited = -1) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (notInherited >= 0)
            posix_spawn_file_actions_addclose(&actions, notInherited);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned =
            posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            pid_ = -1;
        return spawned == 0;
    }

    bool running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_)
            pid_ = -1;
        return pid_ > 0;
    }

private:
    pid_t pid_ = -1;
};

// An X server on a free display; -displayfd tells which one once it is ready.
class XServer {
public:
    bool start(const QString& program) {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const QByteArray exe = QFile::encodeName(program);
        const QByteArray fd = QByteArray::number(fds[1]);
        const char* argv[] = {exe.constData(), "-displayfd", fd.constData(), "-screen",  "0",
                              "1024x768x24",   "-nolisten",  "tcp",          "-noreset", nullptr};
        const bool started = process_.start(argv, fds[0]);
        close(fds[1]);
        if (!started) {
            close(fds[0]);
            return false;
        }
        QByteArray number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.isEmpty())
            return false;
        display_ = QStringLiteral(":") + QString::fromLatin1(number);
        return true;
    }
    const QString& display() const { return display_; }

private:
    ChildProcess process_;
    QString display_;
};

// A window manager on the check's X server, so that windows get the close
// boxes and keys of a desktop. Start it after XvfbCheck::ready().
class WindowManager {
public:
    static bool installed() { return !program().isEmpty(); }

    // Openbox with its default keys (Alt+F4 closes); true once it manages
    // the screen.
    bool start() {
        const QByteArray exe = QFile::encodeName(program());
        const char* argv[] = {exe.constData(), "--sm-disable", nullptr};
        if (!process_.start(argv))
            return false;
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        bool managing = false;
        for (int waited = 0; !managing && waited < 10000 && process_.running(); waited += 50) {
            managing = supportingCheck(connection);
            if (!managing)
                usleep(50000);
        }
        xcb_disconnect(connection);
        return managing;
    }

private:
    static QString program() { return QStandardPaths::findExecutable(QStringLiteral("openbox")); }

    // A manager that follows the desktop conventions names itself on the root.
    static bool supportingCheck(xcb_connection_t* connection) {
        if (xcb_connection_has_error(connection))
            return false;
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        if (!atom)
            return false;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_get_property_reply_t* property = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        const bool found = property && xcb_get_property_value_length(property) > 0;
        free(property);
        free(atom);
        return found;
    }

    ChildProcess process_;
};

// The environment of one check: call ready() before the application exists.
class XvfbCheck {
public:
    // False when the check cannot run; exitCode() then says why.
    bool ready() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            std::printf("SKIP: Xvfb is not installed\n");
            exitCode_ = 77;
            return false;
        }
        if (!server_.start(xvfb)) {
            fail(QStringLiteral("Xvfb did not start"));
            return false;
        }
        setenv("DISPLAY", server_.display().toLatin1().constData(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // No session bus: without this, the first D-Bus user (SDL's audio, Qt)
        // may autolaunch one on the private display, which can hang under load.
        const QByteArray noBus = "unix:path=" + QFile::encodeName(home_.path()) + "/no-bus";
        setenv("DBUS_SESSION_BUS_ADDRESS", noBus.constData(), 1);
        return true;
    }

    void fail(const QString& what) {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
        exitCode_ = 1;
    }
    // For the program's dialogs: any message box fails the check.
    std::function<void(const QString&)> failOnMessage() {
        return [this](const QString& text) { fail(QStringLiteral("message box: ") + text); };
    }
    void check(bool ok, const QString& what) {
        if (!ok)
            fail(what);
    }
    // Clicks an entry of a file list as a user would.
    void clickEntry(TFileListBox& list, const QString& entry) {
        for (int row = 0; row < list.Count(); ++row) {
            if (list.Item(row) != entry)
                continue;
            const QModelIndex index = list.model()->index(row, 0);
            list.scrollTo(index);
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
            return;
        }
        fail(QStringLiteral("no entry ") + entry);
    }
    int exitCode() const { return exitCode_; }
    // The verdict, printed, as the exit code.
    int report() const {
        std::printf("%s\n", exitCode_ ? "FAILED" : "PASSED");
        return exitCode_;
    }
    const TestHome& home() const { return home_; }

private:
    TestHome home_;
    XServer server_;
    int exitCode_ = 0;
};

}  // namespace lumora::test
