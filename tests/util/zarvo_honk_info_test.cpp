#include "tests/util/honk_fixture.h"

#include <sys/utsname.h>

namespace {

using HonkInfoTest = HonkFixture;

TEST_F(HonkInfoTest, ClockCanBeFixedAndRestored) {
    const QDateTime fixed(QDate(2026, 12, 9), QTime(10, 0));
    Honk.SetClock([&] { return fixed; });
    EXPECT_EQ(Honk.Now(), fixed);
    Honk.SetClock({});
    EXPECT_LE(qAbs(Honk.Now().secsTo(QDateTime::currentDateTime())), 5);
}

} // namespace
