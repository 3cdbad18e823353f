#include "tests/ui/UiTestApp.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The gallery draws every skinned control offscreen; Qt reports any misuse (painters on null
// devices, widgets without an application ...) on stderr, so a clean run prints nothing there.
TEST(SkinGalleryControls, RendersEveryControlAtBothScalesWithoutWarnings)
{
    kivora::uitest::app();
    QTemporaryDir out;
    QTemporaryDir runtime; // a private runtime folder keeps Qt's own note about a missing one away
    ASSERT_TRUE(out.isValid() && runtime.isValid());
    QFile::setPermissions(
        runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(KIVORA_CLI_PATH), { QStringLiteral("skin-gallery"), out.path() });
    ASSERT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(cli.readAllStandardError()), QString());
    EXPECT_TRUE(
        QString::fromLocal8Bit(cli.readAllStandardOutput()).contains(QStringLiteral("control pictures")));

    const QDir dir(out.path());
    struct Expect {
        const char* file;
        QSize size;
    };
    const Expect expected[] = {
        { "controls-progress-37-x1.0.png", { 300, 22 } },
        { "controls-progress-37-x2.0.png", { 600, 44 } },
        { "controls-button-toolbar-play-disabled-x2.0.png", { 64, 64 } },
        { "controls-button-dialog-close-hover-x1.0.png", { 13, 12 } },
        { "controls-check-on-x2.0.png", { 400, 40 } },
        { "controls-slider-position-pressed-x1.0.png", { 400, 10 } },
        { "controls-slider-volume-middle-x2.0.png", { 200, 40 } },
    };
    for (const Expect& e : expected)
        EXPECT_EQ(QImage(dir.filePath(QString::fromLatin1(e.file))).size(), e.size) << e.file;
    for (const char* name : { "controls-msgbox-ok", "controls-msgbox-okcancel", "controls-dialog-title-strip",
             "controls-list-states", "controls-sheet" })
        for (const char* scale : { "-x1.0.png", "-x2.0.png" })
            EXPECT_FALSE(
                QImage(dir.filePath(QString::fromLatin1(name) + QString::fromLatin1(scale))).isNull())
                << name << scale;
}

} // namespace
