#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "src/app/HelpLines.h"
#include "src/commands/CommandTable.h"

namespace {

// The help list is the owner's guide to the command table: two heading lines,
// then one line "<word>  -  <what it does>" for every word of the table but
// ".cancel", which the guide has never listed (the numbered choice's own line
// names it). The guide keeps its own order; the table keeps the intake's.
TEST(HelpAndTableTest, EveryWordHasItsHelpLineAndEveryHelpLineItsWord) {
  const std::set<std::string> unlisted = {".cancel"};

  const QStringList& help = HelpLines();
  ASSERT_GE(help.size(), 2);
  EXPECT_EQ(help[0], QString(11, ' ') + "Morva MP3 [Public] commands" + QString(9, ' '));
  EXPECT_EQ(help[1], QString(79, '-'));
  std::map<std::string, int> helped;  // word -> its help lines
  for (qsizetype i = 2; i < help.size(); ++i) {
    const qsizetype cut = help[i].indexOf("  -  ");
    ASSERT_GT(cut, 0) << "not \"<word>  -  <what it does>\": " << help[i].toStdString();
    EXPECT_GT(help[i].size(), cut + 5) << "says nothing: " << help[i].toStdString();
    ++helped[help[i].left(cut).toStdString()];
  }

  std::set<std::string> words;
  for (const commands::CommandRow& row : commands::CommandTable())
    EXPECT_TRUE(words.insert(row.word).second) << row.word << " is twice in the table";
  for (const std::string& word : words) {
    const int lines = helped.count(word) ? helped.at(word) : 0;
    if (unlisted.count(word))
      EXPECT_EQ(lines, 0) << word << " has a help line now; take it out of `unlisted`";
    else
      EXPECT_EQ(lines, 1) << word << " needs one help line in src/app/HelpLines.cpp";
  }
  for (const auto& [word, lines] : helped)
    EXPECT_TRUE(words.count(word)) << "a help line for " << word << ", which the table does not have";
}

}  // namespace
