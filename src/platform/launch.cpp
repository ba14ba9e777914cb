#include "platform/launch.h"

#include "base/file_name.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

namespace lumora {
namespace {

// Starts argv[0] detached (a grandchild in a session of its own, so it
// outlives us and leaves no zombie), in folder unless that is empty. True
// once the program is running: a close-on-exec pipe reports a failed chdir
// or exec.
bool spawnDetached(const QByteArray& program, const std::vector<QByteArray>& arguments,
                   const QByteArray& folder) {
    if (program.isEmpty() || program.contains('\0') || folder.contains('\0'))
        return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.constData()));
    for (const QByteArray& argument : arguments) {
        if (argument.contains('\0'))
            return false;
        argv.push_back(const_cast<char*>(argument.constData()));
    }
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        int failure = 0;
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
            failure = errno;
        if (failure == 0) {
            // Our descriptors (X connection, watches) are not the program's.
            ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
            ::execvp(argv[0], argv.data());
            failure = errno;
        }
        [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

// xdg-open runs some programs in the foreground and ends with their exit
// code: an ending after this long comes from a program that did open the
// document, and is no news.
constexpr qint64 kOpenerVerdictMs = 10000;

// The opener's child ends with this when it cannot enter its working folder.
constexpr int kNoFolderExit = 126;

// xdg-open's documented exit codes.
QString openerFailure(int exitCode) {
    switch (exitCode) {
        case 2:
            return QStringLiteral("the file does not exist");
        case 3:
            return QStringLiteral("xdg-open found no program that opens it");
        case 4:
            return QStringLiteral("the program that opens it failed");
        case kNoFolderExit:
            return QStringLiteral("its folder cannot be entered");
        default:
            return QStringLiteral("xdg-open ended with code %1").arg(exitCode);
    }
}

class DesktopLauncher final : public Launcher {
public:
    void openDocument(const QString& path, const QString& workingDirectory,
                      Failed failed) override {
        if (!failed) {
            // Nobody waits for a verdict: the opener runs detached and outlives us.
            spawnDetached(QByteArrayLiteral("xdg-open"), {encodeFileName(path)},
                          encodeFileName(workingDirectory));
            return;
        }
        auto* opener = new QProcess(QCoreApplication::instance());
        // What the opener starts inherits our output, not a pipe that closes with us.
        opener->setProcessChannelMode(QProcess::ForwardedChannels);
        opener->setStandardInputFile(QProcess::nullDevice());
        QElapsedTimer running;
        running.start();
        QObject::connect(opener, &QProcess::errorOccurred, opener,
                         [opener, failed](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             opener->deleteLater();
                             failed(QStringLiteral("xdg-open is not installed"));
                         });
        QObject::connect(opener, &QProcess::finished, opener,
                         [opener, failed, running](int exitCode, QProcess::ExitStatus status) {
                             opener->deleteLater();
                             if ((status == QProcess::NormalExit && exitCode == 0) ||
                                 running.elapsed() > kOpenerVerdictMs)
                                 return;
                             failed(status == QProcess::NormalExit
                                        ? openerFailure(exitCode)
                                        : QStringLiteral("xdg-open crashed"));
                         });
        // QProcess re-encodes names and loses bytes that are not UTF-8: the
        // child enters the folder and runs xdg-open with the exact bytes. When
        // that exec fails, QProcess's own of the same program fails alike and
        // reports it.
        const QByteArray folder = encodeFileName(workingDirectory);
        QByteArray program = QByteArrayLiteral("xdg-open");
        QByteArray document = encodeFileName(path);
        char* argv[] = {program.data(), document.data(), nullptr};
        opener->setChildProcessModifier([&folder, &argv] {
            if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
                ::_exit(kNoFolderExit);
            // Our descriptors (X connection, watches) are not the opener's.
            ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
            ::execvp(argv[0], argv);
        });
        opener->start(QStringLiteral("xdg-open"), {path});
    }

    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory) override {
        std::vector<QByteArray> argumentBytes;
        for (const QString& argument : arguments)
            argumentBytes.push_back(encodeFileName(argument));
        return spawnDetached(encodeFileName(program), argumentBytes,
                             encodeFileName(workingDirectory));
    }
};

Launcher* current = nullptr;

// Words as a POSIX shell splits them, without expansions: blanks separate,
// '...' is literal, "..." keeps blanks and lets "\" escape " \ $ `, and a
// "\" outside quotes takes the next character as it is.
QStringList splitShellWords(const QString& text) {
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words << std::exchange(word, QString());
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? text.size() : end;
            word += text.mid(i + 1, stop - i - 1);
            i = stop;
        } else if (c == u'"') {
            for (++i; i < text.size() && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size() &&
                    QStringView(u"\"\\$`").contains(text[i + 1]))
                    ++i;
                word += text[i];
            }
        } else if (c == u'\\' && i + 1 < text.size()) {
            word += text[++i];
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QString absoluteAgainst(const QString& file, const QString& folder) {
    if (file.startsWith(u'/'))
        return file;
    const QString base = folder.isEmpty() ? QDir::currentPath() : folder;
    return base.endsWith(u'/') ? base + file : base + u'/' + file;
}

}  // namespace

Launcher& launch() {
    static DesktopLauncher desktop;
    return current ? *current : desktop;
}

void setLauncher(Launcher* replacement) {
    current = replacement;
}

bool isProgramFile(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    struct stat info {};
    if (::stat(bytes.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(bytes.constData(), X_OK) != 0)
        return false;
    const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    char head[4] = {};
    ssize_t got;
    do {
        got = ::pread(fd, head, sizeof head, 0);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got >= 4 && QByteArrayView(head, 4) == QByteArrayView("\x7f"
                                                              "ELF",
                                                              4))
        return true;
    return got >= 2 && head[0] == '#' && head[1] == '!';
}

void LaunchFile(const QString& file, const QString& parameters, const QString& folder,
                int /*showCommand*/) {
    const QString path = absoluteAgainst(file, folder);
    // The result is not looked at: a launch that fails shows nothing.
    if (isProgramFile(path))
        launch().startProgram(path, splitShellWords(parameters), folder);
    else
        launch().openDocument(path, folder, nullptr);
}

}  // namespace lumora
