#pragma once

// Runs a command-line tool to its end. A plain fork and exec rather than
// QProcess: ThreadSanitizer follows fork, while the clone that QProcess starts
// children with leaves it false reports or a failed check.

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace lumora::test {

// True when program (looked up on PATH) exits with 0; its standard output
// goes to out when asked for, else to ours.
inline bool runTool(const QString& program, const QStringList& arguments,
                    QByteArray* out = nullptr) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    std::vector<QByteArray> words{QFile::encodeName(path)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    if (out && ::pipe(pipeEnds) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        if (out) {
            ::dup2(pipeEnds[1], STDOUT_FILENO);
            ::close(pipeEnds[0]);
            ::close(pipeEnds[1]);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (out) {
        ::close(pipeEnds[1]);
        out->clear();
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (got > 0)
                out->append(buffer, got);
            else if (got == 0 || errno != EINTR)
                break;
        }
        ::close(pipeEnds[0]);
    }
    if (child < 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace lumora::test
