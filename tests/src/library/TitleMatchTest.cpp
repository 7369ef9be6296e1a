#include <gtest/gtest.h>

#include <random>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"
#include "src/library/TitleMatch.h"

namespace {

// The search's fast comparison must agree with its plain statement: drop the
// spaces, lower each character, look for the key as a substring.
TEST(TitleMatchTest, AgreesWithDroppingSpacesAndLowerCasing) {
  const QString alphabet = QString::fromUtf8("aAbB c\tÄäΣσİi.mp3 ");
  std::mt19937 random(7);
  auto text = [&](int length) {
    QString t;
    for (int i = 0; i < length; ++i) t.append(alphabet[static_cast<int>(random() % alphabet.size())]);
    return t;
  };
  auto plain = [](const QString& key, const QString& entry) {
    return LowerEachCharacter(AolClient::DropSpaces(entry)).contains(LowerEachCharacter(AolClient::DropSpaces(key)));
  };
  for (int i = 0; i < 5000; ++i) {
    const QString key = text(static_cast<int>(random() % 4));
    const QString entry = text(static_cast<int>(random() % 12));
    TitleMatch match(key);
    ASSERT_EQ(match.Matches(entry), plain(key, entry)) << key.toStdString() << " in " << entry.toStdString();
  }
}

}  // namespace
