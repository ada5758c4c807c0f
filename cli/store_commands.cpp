// folders, list, search, export, import, sort-apply: the store from the
// command line. Texts go to the terminal in UTF-8; the text files are CP932.
#include <algorithm>
#include <ctime>

#include "cli/cli_command.h"
#include "config/mail_app.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "store/sorting.h"
#include "store/text_files.h"

namespace fennel {
namespace {

const char* StateWord(int32_t state) {
  switch (state) {
    case CMailDetail::kRead: return "read";
    case CMailDetail::kComposed: return "composed";
    case CMailDetail::kDeleted: return "deleted";
    case CMailDetail::kUnread: return "unread";
  }
  return "?";
}

// One mail a line: state, date, From, Subject; newest first, deleted ones left out.
void PrintMails(const CFolderDetail& folder, FILE* out) {
  std::vector<const CMailDetail*> mails;
  for (const auto& m : folder.mails)
    if (m->state != CMailDetail::kDeleted) mails.push_back(m.get());
  std::stable_sort(mails.begin(), mails.end(), [](const CMailDetail* a, const CMailDetail* b) { return a->date > b->date; });
  for (const CMailDetail* m : mails)
    PrintText(out, std::string(StateWord(m->state)) + "\t" + FormatLocalTime(m->date, "%Y/%m/%d %H:%M") + "\t" + m->from + "\t" + m->subject +
                       "\n");
}

class FoldersCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (!args.empty()) error = "folders takes no arguments";
    return args.empty();
  }
  int Run(CMailApp* app, const CliIo& io) override {
    for (const auto& f : app->user().store.folders) {
      if (f->state == CFolderDetail::kBeingDeleted) continue;
      std::string name = f->parent.empty() ? f->name : f->parent + "/" + f->name;
      PrintText(io.out, name + "\t" + std::to_string(f->MailCount()) + "\t" + std::to_string(f->UnreadCount()) + "\n");
    }
    return kExitOk;
  }
};

class ListCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (args.size() != 1) {
      error = "list needs one FOLDER";
      return false;
    }
    folder_ = Utf8ToCp932(args[0]);
    return true;
  }
  int Run(CMailApp* app, const CliIo& io) override {
    const CFolderDetail* f = app->user().store.FindFolder(folder_);
    if (!f) {
      PrintText(io.err, "フォルダ「" + folder_ + "」がありません。\n");
      return kExitRefused;
    }
    PrintMails(*f, io.out);
    return kExitOk;
  }

 private:
  std::string folder_;
};

class SearchCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    size_t i = 0;
    if (i < args.size() && args[i] == "--cond") {
      if (i + 1 >= args.size()) {
        error = "--cond needs from, subject, to or body";
        return false;
      }
      const std::string& c = args[i + 1];
      if (c == "from") condition_ = CFolderDetail::kByFrom;
      else if (c == "subject") condition_ = CFolderDetail::kBySubject;
      else if (c == "to") condition_ = CFolderDetail::kByTo;
      else if (c == "body") condition_ = CFolderDetail::kByBody;
      else {
        error = "--cond needs from, subject, to or body";
        return false;
      }
      i += 2;
    }
    if (args.size() != i + 1) {
      error = "search needs KEYWORDS";
      return false;
    }
    keywords_ = Utf8ToCp932(args[i]);
    return true;
  }
  int Run(CMailApp* app, const CliIo& io) override {
    CListInfo& store = app->user().store;
    CFolderDetail* s = store.FolderOrCreate(kSearchFolder);
    s->sortText = keywords_;
    s->sortCondition = condition_;
    Search(store, *s);
    PrintMails(*s, io.out);
    return kExitOk;
  }

 private:
  int32_t condition_ = CFolderDetail::kBySubject;
  std::string keywords_;
};

bool ParseKind(const std::string& word, TextFileKind& kind) {
  if (word == "address") kind = TextFileKind::Address;
  else if (word == "phrase") kind = TextFileKind::Phrase;
  else if (word == "subaccount") kind = TextFileKind::SubAccount;
  else if (word == "folder") kind = TextFileKind::Folder;
  else return false;
  return true;
}

class TextFileCommand : public CliCommand {
 public:
  explicit TextFileCommand(bool import) : import_(import) {}
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (args.size() != 2 || !ParseKind(args[0], kind_)) {
      error = std::string(import_ ? "import" : "export") + " needs address|phrase|subaccount|folder FILE";
      return false;
    }
    file_ = Utf8ToCp932(args[1]);
    return true;
  }
  int Run(CMailApp* app, const CliIo& io) override {
    CListInfo& store = app->user().store;
    if (import_) {
      int n = ImportFile(store, kind_, file_);
      if (n < 0) {
        PrintText(io.err, "ファイル " + file_ + " を読み込めませんでした。\n");
        return kExitRefused;
      }
      std::fprintf(io.out, "%d\n", n);
      return kExitOk;
    }
    if (!ExportFile(store, kind_, file_)) {
      PrintText(io.err, "ファイル " + file_ + " に書き込めませんでした。\n");
      return kExitRefused;
    }
    return kExitOk;
  }

 private:
  bool import_;
  TextFileKind kind_ = TextFileKind::Address;
  std::string file_;
};

class SortApplyCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (args.size() != 1) {
      error = "sort-apply needs one FOLDER";
      return false;
    }
    folder_ = Utf8ToCp932(args[0]);
    return true;
  }
  int Run(CMailApp* app, const CliIo& io) override {
    CListInfo& store = app->user().store;
    CFolderDetail* f = store.FindFolder(folder_);
    if (!f) {
      PrintText(io.err, "フォルダ「" + folder_ + "」がありません。\n");
      return kExitRefused;
    }
    std::fprintf(io.out, "%d\n", ApplyRule(store, *f));
    return kExitOk;
  }

 private:
  std::string folder_;
};

}  // namespace

std::unique_ptr<CliCommand> MakeStoreCommand(const std::string& name) {
  if (name == "folders") return std::make_unique<FoldersCommand>();
  if (name == "list") return std::make_unique<ListCommand>();
  if (name == "search") return std::make_unique<SearchCommand>();
  if (name == "export") return std::make_unique<TextFileCommand>(false);
  if (name == "import") return std::make_unique<TextFileCommand>(true);
  if (name == "sort-apply") return std::make_unique<SortApplyCommand>();
  return nullptr;
}

}  // namespace fennel
