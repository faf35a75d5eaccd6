#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "crypto/KeyGenerator.h"
#include "crypto/KeyText.h"
#include "crypto/RandomSource.h"
#include "tests/settings_window_support.h"

namespace {

// A fixed stand-in for the random source whose bytes differ from their neighbours.
uint8_t PatternByte(size_t position) { return static_cast<uint8_t>((position * 2654435761u) >> 13); }

bool FillWithPattern(uint8_t* buffer, size_t size) {
  for (size_t i = 0; i < size; ++i) buffer[i] = PatternByte(i);
  return true;
}

std::vector<uint8_t> PatternList() {
  std::vector<uint8_t> list(kRandomListSize);
  EXPECT_TRUE(FillWithPattern(list.data(), list.size()));
  return list;
}

struct SourcesInstalled {
  explicit SourcesInstalled(KeyGeneratorSources sources) { SetKeyGeneratorSources(std::move(sources)); }
  ~SourcesInstalled() { SetKeyGeneratorSources({}); }
};

const QString kIni = QStringLiteral(
    "[Global]\nselProfile = A\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\nTooltipsOff = 0\n"
    "AppPathForTemp = 1\n\n[A]\nUseCipher = 1\nCipherCode = "
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
    "18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F\n");

TEST(RandomSource, FillsTheWholeListAnewEachTime) {
  std::vector<uint8_t> first(kRandomListSize, 0);
  std::vector<uint8_t> second(kRandomListSize, 0);
  ASSERT_TRUE(FillFromRandomSource(first.data(), first.size()));
  ASSERT_TRUE(FillFromRandomSource(second.data(), second.size()));
  EXPECT_NE(first, second);
  // Short reads would leave the zeros of the end in place.
  EXPECT_NE(std::vector<uint8_t>(first.end() - 64, first.end()), std::vector<uint8_t>(64, 0));
}

TEST(KeyPicking, OneByteForEachNewPointInsideTheArea) {
  const std::vector<uint8_t> list = PatternList();
  const RandomList randomList(list.data(), kRandomListSize);
  const struct {
    const char* name;
    QPoint point;
    bool picks;
  } steps[] = {
      {"first point", {3, 4}, true},
      {"still cursor", {3, 4}, false},
      {"left of the area", {-1, 10}, false},
      {"right of the area", {256, 0}, false},
      {"below the area", {0, 256}, false},
      {"above the area", {10, -1}, false},
      {"back in at another point", {255, 255}, true},
      {"revisiting an earlier point", {3, 4}, true},
      {"top left corner", {0, 0}, true},
  };
  KeyPicker picker;
  std::vector<uint8_t> expected;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(PickAtPoint(picker, randomList, step.point), step.picks);
    if (step.picks) expected.push_back(PatternByte(static_cast<size_t>(step.point.x() + 256 * step.point.y())));
    ASSERT_EQ(picker.picked, static_cast<int>(expected.size()));
  }
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(picker.bytes[i], expected[i]) << "byte " << i;

  KeyPicker full;
  for (int i = 0; i < 48; ++i) ASSERT_TRUE(PickAtPoint(full, randomList, {i, 7}));
  EXPECT_FALSE(PickAtPoint(full, randomList, {100, 100})) << "48 bytes complete the key";
}

TEST(KeyGenerator, ScriptedMousePathFillsTheKeyField) {
  // Still, outside and revisited points first, then enough new points for 48 picks.
  std::vector<QPoint> path = {{3, 4}, {3, 4}, {-1, 10}, {256, 0}, {0, 256}, {10, -1}, {5, 5}, {3, 4}};
  std::vector<QPoint> picked = {{3, 4}, {5, 5}, {3, 4}};
  for (int i = 0; picked.size() < 48; ++i) {
    const QPoint point = i == 0 ? QPoint(255, 255) : QPoint(i * 5, 250 - i * 3);
    path.push_back(point);
    picked.push_back(point);
  }
  QString expected;
  for (const QPoint& p : picked) {
    if (!expected.isEmpty()) expected += u' ';
    expected += ByteToHexText(PatternByte(static_cast<size_t>(p.x() + 256 * p.y())));
  }

  SettingsProgram program(kIni);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  const QByteArray fileBefore = program.FileBytes();
  const QString keyBefore = program.state.cipherCode;
  SettingsWindow& settings = *program.state.settings;
  QPointer<QPushButton> okButton = settings.okButton;
  QPointer<QPushButton> cancelButton = settings.cancelButton;

  size_t samples = 0;
  bool okClickedMeanwhile = false;
  bool settingsStayedOpen = true;
  QWidget* generatorWindow = nullptr;
  SourcesInstalled sources({FillWithPattern, [&](const QWidget* clientArea) {
    if (samples == 0) generatorWindow = const_cast<QWidget*>(clientArea);
    if (samples == 2) {
      // The other windows take no commands while picking.
      QTest::mouseClick(okButton, Qt::LeftButton);
      if (cancelButton != nullptr) QTest::mouseClick(cancelButton, Qt::LeftButton);
      okClickedMeanwhile = true;
      settingsStayedOpen = program.state.settings != nullptr;
    }
    // After the script the cursor wanders on, so a fault shows as a wrong key rather than a hang.
    const QPoint point = samples < path.size() ? path[samples] : QPoint(100 + static_cast<int>(samples % 100), 1);
    ++samples;
    return point;
  }});

  QTest::mouseClick(settings.keyButton, Qt::LeftButton);

  ASSERT_NE(generatorWindow, nullptr);
  EXPECT_TRUE(okClickedMeanwhile);
  EXPECT_TRUE(settingsStayedOpen);
  ASSERT_NE(program.state.settings, nullptr);
  const QString keyText = settings.cipherCode->toPlainText();
  EXPECT_EQ(keyText.size(), 143);
  EXPECT_EQ(keyText, expected);
  EXPECT_EQ(samples, path.size()) << "the 48th pick ends the picking";
  KeyMaterial parsed{};
  EXPECT_TRUE(ParseKeyText(keyText, parsed, nullptr));
  EXPECT_EQ(KeyTextFromMaterial(parsed), keyText) << "canonical form";

  ASSERT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Tarnholm"));
  EXPECT_EQ(program.boxes.asked[0].text, QStringLiteral("Der Schlüssel wurde erzeugt."));
  EXPECT_EQ(program.state.cipherCode, keyBefore) << "nothing stored before Ok";
  EXPECT_EQ(program.FileBytes(), fileBefore);
}

TEST(KeyGenerator, WindowIsOwnedCentredAndHasNoCloseButton) {
  SettingsProgram program(kIni);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  QWidget* settingsWindow = program.state.settings->window;
  int samples = 0;
  bool checked = false;
  SourcesInstalled sources({FillWithPattern, [&](const QWidget* window) {
    if (!checked) {
      checked = true;
      EXPECT_EQ(window->windowTitle(), QStringLiteral("Tarnholm"));
      EXPECT_EQ(window->size(), QSize(256, 256));
      EXPECT_EQ(window->parentWidget(), settingsWindow);
      EXPECT_TRUE(window->isWindow());
      EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
      EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
      EXPECT_EQ(window->geometry().topLeft() + QPoint(128, 128),
                settingsWindow->geometry().topLeft() + QPoint(420, 210));
      const auto* label = window->findChild<QLabel*>();
      EXPECT_NE(label, nullptr);
      if (label != nullptr) {
        EXPECT_EQ(label->text(),
                  QStringLiteral("Um den Schlüssel zu erzeugen bewegen Sie die Maus über dieses Fenster."));
        EXPECT_EQ(label->geometry(), QRect(10, 6, 236, 40));
      }
    }
    // The label's area counts like the rest: all points lie within it.
    return QPoint(10 + samples++, 6);
  }});
  program.Route(EventKind::Widget, WindowId::Settings, WidgetId::KeyGenerateButton);
  EXPECT_TRUE(checked);
  EXPECT_EQ(samples, 48);
  EXPECT_EQ(program.state.settings->cipherCode->toPlainText().size(), 143);
}

TEST(KeyGenerator, UnavailableRandomSourceEndsTheProgramWithoutStoring) {
  SettingsProgram program(kIni);
  program.state.hostFolder = QStringLiteral("/anderswo/");
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  const QByteArray before = program.FileBytes();
  bool sampled = false;
  SourcesInstalled sources({[](uint8_t*, size_t) { return false; }, [&](const QWidget*) {
                              sampled = true;
                              return QPoint(1, 1);
                            }});
  program.Route(EventKind::Widget, WindowId::Settings, WidgetId::KeyGenerateButton);
  EXPECT_FALSE(sampled);
  ASSERT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Error"));
  EXPECT_EQ(program.boxes.asked[0].text, QStringLiteral("Key generation is not available"));
  EXPECT_TRUE(program.state.loopLeft);
  RunShutdown(program.state);
  EXPECT_EQ(program.FileBytes(), before) << "the folders are not stored on this way out";
}

}  // namespace
