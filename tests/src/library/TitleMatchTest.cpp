#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <QStringList>

#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"
#include "src/library/TitleMatch.h"
#include "src/widgets/FileListBoxNames.h"

namespace {

// The search's fast comparison must agree with its plain statement: drop the
// spaces, lower each character, look for the key as a substring. Entries are
// file names (whole characters); a key may hold half of a surrogate pair.
// Over a whole list, the matches are the entries it holds, in its name or in
// one of its tag fields, in list order.
TEST(TitleMatchTest, AgreesWithDroppingSpacesAndLowerCasing) {
  const QStringList characters = {"a", "A", "b", "B", " ", "c", "\t", "Ä", "ä", "Σ", "σ", "İ", "i", ".", "m",
                                  "p", "3", "\u212A", "k", "\uFF21", "\uFF41", "\U0001D11E", "\U00010400"};
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto entry = [&] {
    QString t;
    for (int i = pick(12); i > 0; --i) t += characters[pick(static_cast<int>(characters.size()))];
    return t;
  };
  auto key = [&] {
    QString t;
    for (int i = pick(4); i > 0; --i) {
      const QString c = characters[pick(static_cast<int>(characters.size()))];
      t += c.size() == 2 && pick(3) == 0 ? c.mid(pick(2), 1) : c;  // now and then half a pair
    }
    return t;
  };
  auto plain = [](const QString& k, const QString& e) {
    return LowerEachCharacter(AolClient::DropSpaces(e)).contains(LowerEachCharacter(AolClient::DropSpaces(k)));
  };
  for (int round = 0; round < 3000; ++round) {
    const QString k = key();
    const TitleMatch match(k);
    FileNames names;
    std::vector<int> expected;
    for (int i = 0; i < 6; ++i) {
      const QString e = entry();
      // Now and then tag fields beside the name: each is matched alone,
      // never together with the name or another field.
      std::string fields;
      bool inField = false;
      for (int f = pick(2) == 0 ? pick(4) : 0; f > 0; --f) {
        const QString field = entry();
        fields.append(field.toUtf8().toStdString()).push_back('\0');
        inField = inField || plain(k, field);
      }
      if (fields.empty())
        names.Add(e.toUtf8().toStdString());
      else
        names.Add(e.toUtf8().toStdString(), fields);
      ASSERT_EQ(match.Matches(e), plain(k, e)) << k.toStdString() << " in " << e.toStdString();
      if (plain(k, e) || inField) expected.push_back(i);
    }
    ASSERT_EQ(match.MatchingEntries(names), expected) << k.toStdString();
  }
}

// A list filled whole makes its search forms in the entries' own text (on a
// thread of its own when long): each entry's name and forms are those that
// adding it alone gives, also past a character whose lower case is longer
// ("\u023A"), and the search finds the same entries (in two halves at once
// when long).
TEST(TitleMatchTest, AListFilledWholeHasTheFormsOfOneBuiltEntryByEntry) {
  const QStringList characters = {"a", "B", " ", "\u023A", "\u0130", "Σ", "\U0001D11E", "7", "Z"};
  std::mt19937 random(11);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto text = [&] {
    std::string t;
    for (int i = 1 + pick(10); i > 0; --i) t += characters[pick(static_cast<int>(characters.size()))].toStdString();
    return t;
  };
  for (const int count : {1, 50, 80000}) {
    FileNames oneByOne, whole;
    FileNames::EntryText entries;
    std::size_t nameBytes = 0;
    for (int i = 0; i < count; ++i) {
      const std::string name = text();
      std::string fields;
      for (int f = pick(3); f > 0; --f) fields.append(text()).push_back('\0');
      oneByOne.Add(name, fields);
      entries.text.append(name);
      if (!fields.empty()) entries.text.append(1, '\0').append(fields);
      entries.ends.push_back(static_cast<std::uint32_t>(entries.text.size()));
      nameBytes += name.size();
    }
    whole.Fill(std::move(entries), nameBytes);
    ASSERT_EQ(whole.Count(), count);
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(whole.NameBytes(i), oneByOne.NameBytes(i)) << count << " " << i;
      ASSERT_EQ(whole.SearchForm(i), oneByOne.SearchForm(i)) << count << " " << i;
    }
    for (const char* key : {"a", "ⱥb", "zσ", "7 7"})
      EXPECT_EQ(TitleMatch(QString::fromUtf8(key)).MatchingEntries(whole),
                TitleMatch(QString::fromUtf8(key)).MatchingEntries(oneByOne))
          << count << " " << key;
  }
}

}  // namespace
