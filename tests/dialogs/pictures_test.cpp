#include "dialogs/pictures.h"

#include <QImage>

#include <gtest/gtest.h>

namespace tonvarra::dialogs {
namespace {

// Something is drawn: not every pixel is transparent.
bool HasInk(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

TEST(Pictures, EveryToolbarButtonProgramIconAndSplashHasADrawing) {
    for (const char* name : {"sBitBtn2", "sBitBtn3", "sBitBtn7", "add", "sBitBtn6", "sBitBtn1", "sBitBtn4",
                             "sBitBtn9", "sBitBtn5", "sBitBtn8"}) {
        const QIcon icon = ToolbarIcon(QString::fromLatin1(name));
        ASSERT_FALSE(icon.isNull()) << name;
        EXPECT_TRUE(HasInk(icon.pixmap(40, 40))) << name;
    }
    EXPECT_TRUE(ToolbarIcon(QStringLiteral("mdevice")).isNull());
    EXPECT_TRUE(HasInk(ProgramIcon().pixmap(64, 64)));
    EXPECT_EQ(SplashPicture().size(), QSize(335, 244));
}

} // namespace
} // namespace tonvarra::dialogs
