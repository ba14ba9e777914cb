// The wallpaper on a bare X server (Xvfb, no desktop): each step runs the
// program in a process of its own that selects a picture and uses a command
// of the File menu, then ends; this process then reads the root window's
// pixels. "Normal" centres a small red picture on the root's own black,
// "Tiled" covers the corners, both stay after the program is gone, "None"
// brings back the default, a picture larger than the screen makes no larger
// pixmap, and after 50 applications the server holds one pixmap of ours.
// Exit 0: passed; 77: skipped (no Xvfb or ImageMagick); 1: failed.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "platform/application.h"
#include "support/program_forms.h"
#include "support/xvfb_check.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <memory>

#include <xcb/res.h>
#include <xcb/xcb.h>

namespace lumora {
namespace {

constexpr int kWidth = 1024, kHeight = 768;  // the screen XServer makes
constexpr uint32_t kRed = 0xFF0000;

// --- the program's side: one command, then exit

int runCommand(int argc, char** argv, const QString& command, const QString& file, int times) {
    TApplication app(argc, argv);
    int failures = 0;
    test::ProgramForms program([&](const QString& text) {
        std::fprintf(stderr, "FAIL: message box: %s\n", qPrintable(text));
        ++failures;
    });
    TForm1& main = *forms().Form1;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        std::fprintf(stderr, "FAIL: the main window never showed\n");
        program.end();
        return 1;
    }
    if (command == QLatin1String("apply")) {
        // The changer alone, as its timer would run it: no progress window.
        for (int i = 0; i < times; ++i) {
            main.wallpaper->setFilename(file);
            main.wallpaper->Apply();
            if (!QTest::qWaitFor([&] { return !main.wallpaper->Changing(); }, 20000)) {
                std::fprintf(stderr, "FAIL: application %d still running after 20 s\n", i + 1);
                ++failures;
            } else if (!main.wallpaper->Failure().isEmpty()) {
                std::fprintf(stderr, "FAIL: %s\n", qPrintable(main.wallpaper->Failure()));
                ++failures;
            }
        }
    } else {
        if (!file.isEmpty()) {
            main.FileListBox1->setMask(QStringLiteral("*.*"));
            main.directorylistbox1->setDirectory(QFileInfo(file).path());
            if (!main.FileListBox1->selectItem(QFileInfo(file).fileName()))
                ++failures;
            main.Timer1Timer();
        }
        main.findChild<QAction*>(command)->trigger();
    }
    program.end();
    return failures ? 1 : 0;
}

// --- this side: the X server as any other client sees it

struct Free {
    void operator()(void* p) const { free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Free>;

class Root {
public:
    Root() : connection_(xcb_connect(nullptr, nullptr)) {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const char* name = "_XROOTPMAP_ID";
        Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr));
        property_ = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    ~Root() { xcb_disconnect(connection_); }

    uint32_t pixel(int x, int y) const {
        Reply<xcb_get_image_reply_t> image(
            xcb_get_image_reply(connection_,
                                xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root,
                                              int16_t(x), int16_t(y), 1, 1, ~0u),
                                nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < 4)
            return 0xDEADBEEF;
        return *reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get())) & 0xFFFFFF;
    }
    xcb_pixmap_t wallpaper() const {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, screen_->root, property_, XCB_ATOM_PIXMAP, 0, 1),
            nullptr));
        if (!reply || xcb_get_property_value_length(reply.get()) != 4)
            return XCB_NONE;
        return *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
    }
    QSize pixmapSize(xcb_pixmap_t pixmap) const {
        Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, pixmap), nullptr));
        return geometry ? QSize(geometry->width, geometry->height) : QSize();
    }
    // Pixmaps held by clients, the server's own left out (X-Resource).
    int clientPixmaps() const {
        const char* name = "PIXMAP";
        Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 1, uint16_t(strlen(name)), name), nullptr));
        Reply<xcb_res_query_clients_reply_t> clients(
            xcb_res_query_clients_reply(connection_, xcb_res_query_clients(connection_), nullptr));
        if (!atom || !clients)
            return -1;
        int pixmaps = 0;
        for (auto c = xcb_res_query_clients_clients_iterator(clients.get()); c.rem;
             xcb_res_client_next(&c)) {
            if (c.data->resource_base == 0)
                continue;
            Reply<xcb_res_query_client_resources_reply_t> resources(
                xcb_res_query_client_resources_reply(
                    connection_, xcb_res_query_client_resources(connection_, c.data->resource_base),
                    nullptr));
            if (!resources)
                continue;
            for (auto t = xcb_res_query_client_resources_types_iterator(resources.get()); t.rem;
                 xcb_res_type_next(&t))
                if (t.data->resource_type == atom->atom)
                    pixmaps += int(t.data->count);
        }
        return pixmaps;
    }

private:
    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t property_ = XCB_ATOM_NONE;
};

int run(const char* self) {
    test::XvfbCheck check;
    if (!check.ready())
        return check.exitCode();
    // The root window itself, not a desktop of the machine running the check.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
        unsetenv(name);
    const QString folder = check.home().path();
    const QString red = folder + QStringLiteral("/red.bmp");
    const QString large = folder + QStringLiteral("/large.bmp");
    if (QProcess::execute(QStringLiteral("convert"),
                          {QStringLiteral("-size"), QStringLiteral("64x48"),
                           QStringLiteral("xc:red"), QStringLiteral("BMP3:") + red}) != 0 ||
        QProcess::execute(QStringLiteral("convert"),
                          {QStringLiteral("-size"), QStringLiteral("2000x1500"),
                           QStringLiteral("xc:red"), QStringLiteral("BMP3:") + large}) != 0) {
        std::printf("SKIP: ImageMagick's convert is missing\n");
        return 77;
    }

    const auto program = [&](const QString& command, const QString& file, int times = 1) {
        QProcess step;
        step.setProcessChannelMode(QProcess::ForwardedChannels);
        step.start(QString::fromLocal8Bit(self),
                   {QStringLiteral("--run"), command, file, QString::number(times)});
        const bool ended = step.waitForFinished(60000);
        check.check(ended && step.exitStatus() == QProcess::NormalExit && step.exitCode() == 0,
                    command + QStringLiteral(" did not end well"));
    };
    Root root;
    const uint32_t own = root.pixel(kWidth - 1, kHeight - 1);
    const auto expect = [&](int x, int y, uint32_t colour, const char* what) {
        const uint32_t seen = root.pixel(x, y);
        check.check(seen == colour, QStringLiteral("%1: %2 at %3,%4, not %5")
                                        .arg(QLatin1String(what), QString::number(seen, 16))
                                        .arg(x)
                                        .arg(y)
                                        .arg(QString::number(colour, 16)));
    };

    program(QStringLiteral("Normal1"), red);
    const int left = (kWidth - 64) / 2, top = (kHeight - 48) / 2;
    expect(kWidth / 2, kHeight / 2, kRed, "Normal, the middle");
    expect(left, top, kRed, "Normal, the picture's first pixel");
    expect(left + 63, top + 47, kRed, "Normal, the picture's last pixel");
    expect(left - 1, kHeight / 2, own, "Normal, left of the picture");
    expect(kWidth / 2, top + 48, own, "Normal, below the picture");
    expect(kWidth - 1, kHeight - 1, own, "Normal, the far corner");
    check.check(root.pixmapSize(root.wallpaper()) == QSize(kWidth, kHeight),
                QStringLiteral("the wallpaper's pixmap is not the screen's size"));

    program(QStringLiteral("Tiled1"), red);
    expect(0, 0, kRed, "Tiled, the top left corner");
    expect(kWidth - 1, kHeight - 1, kRed, "Tiled, the far corner");

    program(QStringLiteral("None1"), QString());
    expect(kWidth / 2, kHeight / 2, own, "None, the middle");
    expect(0, 0, own, "None, the corner");
    check.check(root.wallpaper() == XCB_NONE, QStringLiteral("None left _XROOTPMAP_ID"));
    check.check(root.clientPixmaps() == 0,
                QStringLiteral("None left %1 pixmaps").arg(root.clientPixmaps()));

    program(QStringLiteral("Normal1"), large);
    expect(0, 0, kRed, "a picture larger than the screen, the corner");
    check.check(root.pixmapSize(root.wallpaper()) == QSize(kWidth, kHeight),
                QStringLiteral("a larger picture made a larger pixmap"));

    program(QStringLiteral("apply"), red, 50);
    expect(0, 0, own, "after 50 applications, the corner");
    expect(kWidth / 2, kHeight / 2, kRed, "after 50 applications, the middle");
    const int pixmaps = root.clientPixmaps();
    std::printf("pixmaps held after 50 applications: %d\n", pixmaps);
    check.check(pixmaps == 1, QStringLiteral("%1 pixmaps held, not one").arg(pixmaps));
    return check.report();
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    if (argc >= 5 && QByteArray(argv[1]) == "--run")
        return lumora::runCommand(argc, argv, QString::fromLocal8Bit(argv[2]),
                                  QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
    return lumora::run(argv[0]);
}
