#include "platform/qt/QtFormView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "support/FakeHotKeys.h"
#include "support/FakeScreen.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel {
namespace {

// The window's widgets, offscreen, driven with the keyboard and the mouse.
class QtFormViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qt_view_tests";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        transport.ReplyAlways(200, "ok");
        view.Attach(form);
        form.Form_Load();
    }
    template <typename Widget>
    Widget& Find(const char* name) {
        auto* widget = view.findChild<Widget*>(name);
        if (widget == nullptr) throw std::logic_error(std::string("no widget ") + name);
        return *widget;
    }

    testing::FakeScreen screen{1920, 1080};
    testing::ScriptedTransport transport;
    ServiceClient service{transport, ServiceRequests("http://svc")};
    testing::FakeHotKeys hotKeys;
    testing::ManualClock clock;
    testing::ScriptedRandom random;
    HandlerGate gate;
    QtFormView view{gate, QPixmap(), QUrl()};
    Form1 form{FormServices{view, screen, service, hotKeys, clock, random}};
};

// Typing changes the box between reflects; choosing a mode then puts the
// mode's default in it, which is the threshold the start takes.
TEST_F(QtFormViewTest, TheThresholdBoxShowsTheModesDefaultAfterTyping) {
    QTest::keyClicks(&Find<QLineEdit>("Text2"), "1234");
    QTest::mouseClick(&Find<QPushButton>("Command5"), Qt::LeftButton);
    ASSERT_EQ(form.OpenId(), "ok");
    QLineEdit& threshold = Find<QLineEdit>("Text4");
    QTest::keyClicks(&threshold, "5");
    ASSERT_EQ(threshold.text(), "305");
    QTest::mouseClick(&Find<QRadioButton>("Option1"), Qt::LeftButton);
    EXPECT_EQ(threshold.text(), "30");
    QTest::mouseClick(&Find<QRadioButton>("Option2"), Qt::LeftButton);
    EXPECT_EQ(threshold.text(), "2");
}

}  // namespace
}  // namespace sentrel
