// The progress window: its count, its stop button, and the kind that cannot
// be stopped or closed.
#include "progress_indicator.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ProgressIndicator, ShowsTitleAndCountAndStopsOnRequest) {
    QDialog owner;
    owner.show();
    ProgressIndicator* indicator = Velmor_CreateProgressIndicator(&owner, "Ersetzungen", 0, 40);
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(indicator->windowTitle(), "Ersetzungen");
    EXPECT_EQ(indicator->windowModality(), Qt::WindowModal);
    Velmor_UpdateProgressIndicator(indicator, 10);
    auto* count = indicator->findChild<QLabel*>("progressCount");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), "10 / 40");
    EXPECT_EQ(indicator->findChild<QProgressBar*>()->value(), 10);
    EXPECT_EQ(Velmor_CheckProgressIndicatorAborted(indicator), 0);

    auto* stop = indicator->findChild<QPushButton*>("progressStop");
    ASSERT_NE(stop, nullptr);
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_NE(Velmor_CheckProgressIndicatorAborted(indicator), 0);
    Velmor_DestroyProgressIndicator(indicator);
}

TEST(ProgressIndicator, CloseBoxAndEscapeMeanStop) {
    ProgressIndicator* indicator = Velmor_CreateProgressIndicator(nullptr, "t", 0, 3);
    indicator->close();
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_NE(Velmor_CheckProgressIndicatorAborted(indicator), 0);
    Velmor_DestroyProgressIndicator(indicator);

    indicator = Velmor_CreateProgressIndicator(nullptr, "t", 0, 3);
    QTest::keyClick(indicator, Qt::Key_Escape);
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_NE(Velmor_CheckProgressIndicatorAborted(indicator), 0);
    Velmor_DestroyProgressIndicator(indicator);
}

TEST(ProgressIndicator, WithoutStopItCannotBeStoppedOrClosed) {
    ProgressIndicator* indicator = Velmor_CreateProgressIndicator(nullptr, "t", kProgressNoStop, 2);
    EXPECT_EQ(indicator->findChild<QPushButton*>(), nullptr);
    indicator->close();
    QTest::keyClick(indicator, Qt::Key_Escape);
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(Velmor_CheckProgressIndicatorAborted(indicator), 0);
    Velmor_DestroyProgressIndicator(indicator);
}

} // namespace
