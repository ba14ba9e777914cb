// GNOME, Cinnamon and MATE: their background schema through the gsettings
// program, one call at a time, each value read back: gsettings exits 0
// without writing anything when its settings service cannot be reached.
#include "platform/desktop_backends.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <deque>
#include <optional>

namespace lumora::desktop_backends {

const BackgroundSchema kGnomeSchema{"org.gnome.desktop.background", "picture-uri", true, true};
const BackgroundSchema kCinnamonSchema{"org.cinnamon.desktop.background", "picture-uri", true,
                                       true};
const BackgroundSchema kMateSchema{"org.mate.background", "picture-filename", false, false};

namespace {

// A GVariant string literal, as gsettings reads its value argument.
QString variantText(const QString& text) {
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                out += QStringLiteral("\\\\");
                break;
            case '\'':
                out += QStringLiteral("\\'");
                break;
            case '\n':
                out += QStringLiteral("\\n");
                break;
            case '\r':
                out += QStringLiteral("\\r");
                break;
            case '\t':
                out += QStringLiteral("\\t");
                break;
            default:
                if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                    out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out + u'\'';
}

// The string gsettings prints for a value: single or double quotes with
// backslash escapes. No value for anything else.
std::optional<QString> printedString(const QByteArray& output) {
    const QString text = QString::fromUtf8(output).trimmed();
    if (text.size() < 2 || (text.front() != u'\'' && text.front() != u'"') ||
        text.back() != text.front())
        return std::nullopt;
    QString result;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        if (text[i] != u'\\') {
            result += text[i];
            continue;
        }
        if (++i >= text.size() - 1)
            return std::nullopt;
        const char16_t escape = text[i].unicode();
        static const QString kLetters = QStringLiteral("abfnrtv");
        static const QString kMeanings = QStringLiteral("\a\b\f\n\r\t\v");
        if (const qsizetype letter = kLetters.indexOf(QChar(escape)); letter >= 0) {
            result += kMeanings[letter];
        } else if (escape == 'u' || escape == 'U') {
            const int digits = escape == 'u' ? 4 : 8;
            if (i + digits >= text.size() - 1)
                return std::nullopt;
            bool ok = false;
            const uint code = text.mid(i + 1, digits).toUInt(&ok, 16);
            if (!ok)
                return std::nullopt;
            const char32_t point = code;
            result += QString::fromUcs4(&point, 1);
            i += digits;
        } else {
            result += QChar(escape);
        }
    }
    return result;
}

struct Setting {
    QString key;
    QString value;
};

// gsettings calls one after the other; the first that fails ends the run.
class GsettingsRun : public QObject {
public:
    GsettingsRun(const BackgroundSchema& schema, std::vector<Setting> settings, Desktop::Done done)
        : QObject(QCoreApplication::instance()),
          schema_(QLatin1String(schema.schema)),
          settings_(std::move(settings)),
          done_(std::move(done)) {
        timeout_.setSingleShot(true);
        timeout_.setInterval(kCallTimeoutMs);
        connect(&timeout_, &QTimer::timeout, this, [this] {
            finish(QStringLiteral("gsettings did not answer within %1 seconds")
                       .arg(kCallTimeoutMs / 1000));
        });
    }

    void start() {
        // The keys the schema has: whether it is installed, and whether it has a dark picture.
        call({QStringLiteral("list-keys"), schema_}, [this](const QByteArray& output) {
            const QStringList keys = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
            std::vector<Setting> settings;
            for (const Setting& setting : settings_) {
                settings.push_back(setting);
                if (setting.key == QLatin1String("picture-uri") &&
                    keys.contains(QStringLiteral("picture-uri-dark")))
                    settings.push_back({QStringLiteral("picture-uri-dark"), setting.value});
            }
            settings_ = std::move(settings);
            writeNext(0);
        });
    }

private:
    void writeNext(size_t index) {
        if (index == settings_.size()) {
            readNext(0);
            return;
        }
        const Setting& setting = settings_[index];
        call({QStringLiteral("set"), schema_, setting.key, variantText(setting.value)},
             [this, index](const QByteArray&) { writeNext(index + 1); });
    }

    void readNext(size_t index) {
        if (index == settings_.size()) {
            finish(QString());
            return;
        }
        const Setting& setting = settings_[index];
        call({QStringLiteral("get"), schema_, setting.key},
             [this, index](const QByteArray& output) {
                 const Setting& wanted = settings_[index];
                 if (printedString(output) != wanted.value) {
                     finish(QStringLiteral("The desktop did not keep %1 %2: its settings service "
                                           "may not be running.")
                                .arg(schema_, wanted.key));
                     return;
                 }
                 readNext(index + 1);
             });
    }

    void call(const QStringList& arguments, std::function<void(const QByteArray&)> then) {
        auto* process = new QProcess(this);
        process_ = process;
        connect(
            process, &QProcess::finished, this,
            [this, process, arguments, then = std::move(then)](int code,
                                                               QProcess::ExitStatus status) {
                if (process != process_)
                    return;
                timeout_.stop();
                process_ = nullptr;
                process->deleteLater();
                if (status != QProcess::NormalExit || code != 0) {
                    const QString error =
                        QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                    finish(
                        QStringLiteral("gsettings %1 failed: %2").arg(arguments.join(u' '), error));
                    return;
                }
                then(process->readAllStandardOutput());
            });
        connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart && process == process_)
                finish(QStringLiteral("gsettings could not be started: %1")
                           .arg(process->errorString()));
        });
        timeout_.start();
        process->start(QStringLiteral("gsettings"), arguments);
    }

    void finish(const QString& failure) {
        if (finished_)
            return;
        finished_ = true;
        timeout_.stop();
        if (process_) {
            process_->kill();
            process_ = nullptr;
        }
        done_(failure);
        deleteLater();
    }

    QString schema_;
    std::vector<Setting> settings_;
    Desktop::Done done_;
    QTimer timeout_;
    QProcess* process_ = nullptr;
    bool finished_ = false;
};

}  // namespace

void applyThroughGsettings(const BackgroundSchema& schema, WallpaperStyle style,
                           const QString& file, Desktop::Done done) {
    const QString pictureKey = QLatin1String(schema.pictureKey);
    std::vector<Setting> settings;
    if (style == WallpaperStyle::None) {
        if (schema.optionsHaveNone)
            settings.push_back({QStringLiteral("picture-options"), QStringLiteral("none")});
        else
            settings.push_back({pictureKey, QString()});
    } else {
        settings.push_back(
            {pictureKey, schema.pictureIsUri ? QString::fromLatin1(fileUri(file)) : file});
        settings.push_back({QStringLiteral("picture-options"), style == WallpaperStyle::Tiled
                                                                   ? QStringLiteral("wallpaper")
                                                                   : QStringLiteral("centered")});
    }
    (new GsettingsRun(schema, std::move(settings), std::move(done)))->start();
}

}  // namespace lumora::desktop_backends
