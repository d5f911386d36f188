// One instance per settings folder: a second start asks the first to come to
// the front, a start for another folder runs beside it.

#include "app/single_instance.h"
#include "program_fixture.h"

#include <QSignalSpy>

namespace tonvarra::test {
namespace {

TEST(SingleInstance, ASecondStartForTheSameFolderAsksTheFirstAndStops) {
    SettingsFolder folder;
    app::SingleInstance first(folder.path());
    ASSERT_TRUE(first.claim());
    QSignalSpy asked(&first, &app::SingleInstance::activationRequested);

    app::SingleInstance second(folder.path() / ".");
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(WaitFor([&] { return asked.count() == 1; }));

    SettingsFolder other;
    app::SingleInstance elsewhere(other.path());
    EXPECT_TRUE(elsewhere.claim());
}

TEST(SingleInstance, TheFolderIsFreeAgainOnceTheFirstHasEnded) {
    SettingsFolder folder;
    {
        app::SingleInstance first(folder.path());
        ASSERT_TRUE(first.claim());
    }
    app::SingleInstance next(folder.path());
    EXPECT_TRUE(next.claim());
}

} // namespace
} // namespace tonvarra::test
