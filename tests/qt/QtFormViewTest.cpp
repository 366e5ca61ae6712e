#include "platform/qt/QtFormView.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/Pinholes.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

// Each kind of change reaches its own widget; a window read as composited
// keeps its pinholes above its widgets, each made after them, and over the
// whole window as it changes size.
TEST(PinholedView, ShowsTheModelBeneathItsPinholesOverTheWholeWindow) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "qt_view_tests", *argv[] = {name, nullptr};
    const QApplication app(argc, argv);
    HandlerGate gate;
    testing::FormRig<QtFormView> rig{gate, QPixmap(), QUrl(), WindowKind::Pinholed, [] { return 1.5; }};
    rig.form.Form_Load();
    rig.view.show();
    EXPECT_EQ(rig.view.findChild<QWidget*>("Label4")->property("text").toString(), "请输入验证码");
    EXPECT_FALSE(rig.view.findChild<QWidget*>("Frame1")->isVisible());
    EXPECT_FALSE(rig.view.findChild<QWidget*>("Command2")->isEnabled());
    QWidget* top = rig.view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last();
    ASSERT_NE(dynamic_cast<Pinholes*>(top), nullptr) << "the topmost widget";
    for (const QSize size : {QSize(640, 400), QSize(800, 600)}) {
        rig.view.resize(size);
        EXPECT_EQ(top->geometry(), rig.view.rect());
    }
}

}  // namespace
}  // namespace sentrel
