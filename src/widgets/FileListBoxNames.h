#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringView>

// The search form of a text, as the title search compares it: every space
// (U+0020) dropped and each UTF-16 unit in lower case, one at a time (as
// QChar::toLower), written in UTF-8 at the end of `out`.
void AppendSearchForm(QStringView text, std::string& out);
// The same for a text given in UTF-8 (valid).
void AppendSearchForm(std::string_view utf8, std::string& out);

// The entries of a file list, kept once in a compact form: each name in UTF-8,
// one after the other, with its search form beside it. Entries are numbered
// from 0 in the order they were added.
//
// A long list given whole (Fill) has its names at once and its search forms
// made on a thread of their own; whatever reads or changes the forms first
// waits for them. A list is used on one thread; only the making of its forms
// runs beside it, on text of its own.
class FileNames {
 public:
  // Entries as a listing gathers them: each one's name, then, when its tags
  // name anything, a NUL and those fields (each followed by a NUL), one entry
  // after the other; each entry ends where `ends` says.
  struct EntryText {
    std::string text;
    std::vector<std::uint32_t> ends;
  };
  // Fills an empty list with the entries, in their order; `nameBytes`: the
  // bytes of their names alone. Their search forms are made in the entries'
  // own text, on a thread of their own when there are many.
  void Fill(EntryText entries, std::size_t nameBytes);

  // Room for about that many names of that many bytes in all, and search
  // forms of so many (0: as many as the names need alone).
  void Reserve(std::size_t count, std::size_t nameBytes, std::size_t formBytes = 0);
  // Adds a name, valid UTF-8, at the end. Throws ControlError when the list
  // has no room left (4 GiB of names).
  void Add(std::string_view utf8Name);
  // The same with what the file's tags name: fields each followed by a NUL,
  // no NUL inside. Each field's search form follows the name's, behind a
  // NUL, so that a search matches the name or one field, never text across
  // two.
  void Add(std::string_view utf8Name, std::string_view tagFields);
  // Adds the other list's entry at the end, or puts it at `index` (those
  // from there on move up by one), with its search forms as they are there.
  void Add(const FileNames& from, int entry);
  void Insert(int index, const FileNames& from, int entry);
  // Takes `count` entries out from `index` on.
  void Remove(int index, int count);
  // Gives back the room reserved and not used, when it is more than an
  // eighth of what was reserved.
  void ShrinkToFit();

  int Count() const { return static_cast<int>(nameEnds_.size()); }
  bool IsEmpty() const { return nameEnds_.empty(); }
  // The entry's name; the index must name an entry.
  QString Name(int index) const;
  std::string_view NameBytes(int index) const { return Slice(names_, nameEnds_, index, 0); }
  // The name's search form, and those of its tag fields behind NULs.
  std::string_view SearchForm(int index) const {
    Settle();
    return Slice(forms_, formEnds_, index, 1);
  }

  // The search forms of every entry in list order, each followed by a NUL,
  // which no file name holds: one scan of it reads every entry once.
  std::string_view SearchForms() const {
    Settle();
    return forms_;
  }
  // The entry whose search form (or its NUL) holds that byte of SearchForms(),
  // looked for from entry `from` on.
  int EntryAtFormByte(std::size_t offset, int from = 0) const;
  // Where the entry's search form starts in SearchForms().
  std::size_t FormStart(int index) const {
    Settle();
    return index == 0 ? 0 : formEnds_[static_cast<std::size_t>(index) - 1];
  }

 private:
  struct Forms {
    std::string bytes;
    std::vector<std::uint32_t> ends;
  };
  // The entries' text made into their search forms, in place.
  static Forms MakeForms(EntryText entries);
  // Waits for forms still being made, and takes them.
  void Settle() const;

  static std::string_view Slice(const std::string& bytes, const std::vector<std::uint32_t>& ends, int index,
                                std::size_t terminator) {
    const std::size_t i = static_cast<std::size_t>(index);
    const std::size_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes).substr(start, ends[i] - start - terminator);
  }

  // Where the entry's name starts in names_.
  std::size_t NameStart(int index) const { return index == 0 ? 0 : nameEnds_[static_cast<std::size_t>(index) - 1]; }
  // The entry's search forms with their NUL.
  std::string_view FormBytes(int index) const {
    Settle();
    return std::string_view(forms_).substr(FormStart(index), formEnds_[static_cast<std::size_t>(index)] - FormStart(index));
  }

  std::string names_;
  std::vector<std::uint32_t> nameEnds_;
  // Taken from the thread that makes them when first needed, from const
  // readers too: the forms are owed, not changed.
  mutable std::future<Forms> formsMade_;
  mutable std::string forms_;
  mutable std::vector<std::uint32_t> formEnds_;  // each after the entry's NUL
};
