// The demonstration form builds, lays out, reacts and can be photographed.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "tests/support/QtTestHelpers.h"
#include "tools/toolkit-demo/DemoForm.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"

namespace kelvane {
namespace {

TEST(DemoForm, BuildsEveryKindOfControlAndSavesAScreenshot) {
  TWindowObject* app = CreateAppWindow("Kelvane");
  TDemoForm* demo = CreateDemoForm(app, CreateAboutWindow(app));
  demo->Form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(demo->Form->Widget(), test::kPatientMs));
  EXPECT_EQ(demo->Form->Bounds(), (TRect{162, 134, 862, 634}));  // centred on 1024 x 768

  // The aligned column fills the client height; the preview the rest.
  const TRect panel = demo->BrowserPanel->Bounds();
  EXPECT_EQ(panel.Width(), 180);
  EXPECT_EQ(demo->ControlsGroup->Bounds().Left, panel.Right + 2);
  EXPECT_EQ(demo->PreviewBox->Bounds().Left, demo->ControlsGroup->Bounds().Right + 2);
  EXPECT_EQ(demo->DriveCombo->Bounds(), (TRect{0, 0, 180, 22}));
  EXPECT_EQ(demo->DirectoryView->Bounds(), (TRect{0, 22, 180, 142}));
  EXPECT_EQ(demo->FileList->Bounds().Top, 142);
  EXPECT_EQ(demo->FileList->Bounds().Bottom, demo->EditCombo->Bounds().Top);
  // The preview is larger than its box: both scroll bars have a range.
  for (TScrollBar bar : {TScrollBar::Horizontal, TScrollBar::Vertical})
    EXPECT_GT(demo->PreviewBox->ScrollInfo(bar).Max, demo->PreviewBox->ScrollInfo(bar).Page);

  auto* list = static_cast<QListWidget*>(demo->FileList->Widget());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(demo->StatusLabel->Caption(), "Файл: hero01.pcx");
  QTest::mouseClick(demo->Preview->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(demo->StatusLabel->Caption(), "Щелчок по рисунку");
  ASSERT_TRUE(test::WaitFor([&] { return demo->Ticks >= 1; }));
  demo->Timer->SetEnabled(false);

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  const QImage shot = demo->Form->Widget()->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(700, 500));
  EXPECT_TRUE(shot.save(QString::fromStdString(test::ArtifactPath("toolkit-demo.png"))));
  delete app;
}

}  // namespace
}  // namespace kelvane
