#include "transport/pop_socket.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "message/header_words.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/store_file_name.h"

namespace fennel {
namespace {

bool StartsWithNoCase(const std::string& s, size_t at, const char* word) {
  size_t n = std::strlen(word);
  return s.size() >= at + n && EqualsNoCaseCp932(std::string_view(s).substr(at, n), word);
}

// The value of a header field that begins a line of the unfolded header
// (name compared without regard to case), or nullptr.
bool FieldValue(const std::string& header, const char* name, std::string& value) {
  if (!StartsWithNoCase(header, 0, name)) return false;
  size_t i = std::strlen(name);
  while (i < header.size() && (header[i] == ' ' || header[i] == '\t')) ++i;
  value = header.substr(i);
  return true;
}

}  // namespace

std::string TrimId(const std::string& id) {
  size_t b = id.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = id.find_last_not_of(" \t");
  return id.substr(b, e - b + 1);
}

std::string MessageIdOfHeaderLine(const std::string& line) {
  // Anywhere in the line, and in any letter case ("Message-Id:" is common).
  for (size_t at = 0; at + 11 <= line.size(); ++at)
    if (StartsWithNoCase(line, at, "Message-ID:")) return TrimId(line.substr(at + 11));
  return {};
}

CPopSocket::CPopSocket(CMailApp& app, EventLoop& loop, PopOwner& owner, ChannelFactory channels)
    : app_(app), loop_(loop), owner_(owner), channels_(std::move(channels)),
      silence_(loop, TIMER_POP_SILENT, [this] { owner_.OnServerSilent(); }) {
  if (!channels_) {
    channels_ = [this](LineSink& sink) {
      return std::unique_ptr<LineChannel>(new Connection(loop_, app_.prompter(), sink));
    };
  }
}

CPopSocket::~CPopSocket() {
  if (output_) fclose(output_);
}

bool CPopSocket::Connect() {
  if (!channel_) channel_ = channels_(*this);
  channel_->Close();
  header_.clear();
  rememberedId_.clear();
  closedByServer_ = false;
  if (!channel_->Connect(server_, port_)) return false;
  state_ = State::Greeting;
  // The time-out bounds the logon; the probe watches the rest.
  const int32_t t = app_.user().serverTimeout;
  const int64_t minute = app_.timeoutMinuteMs;
  const int64_t period = t > 0 ? int64_t{t} * minute : minute;
  loop_.SetTimer(&owner_, TIMER_POP_TIMEOUT, period);
  loop_.SetTimer(&owner_, TIMER_PROBE, period / 2);
  // And a server that goes quiet later, in the middle of a message say,
  // is not left to hold the run: no byte for that long ends it.
  silence_.Start(period);
  return true;
}

bool CPopSocket::Start(bool deleteFlag, int port, const std::string& password, const std::string& server,
                       const std::string& account, bool authOnly, bool listMode) {
  std::vector<std::string> ids;
  app_.user().store.CollectMessageIds(ids);
  known_.clear();
  for (const std::string& id : ids) known_.insert(TrimId(id));
  app_.transferIdle = false;
  nextSub_ = 0;
  received_.clear();
  deleteFlag_ = deleteFlag;
  port_ = port;
  password_ = password;
  server_ = server;
  account_ = account;
  authOnly_ = authOnly;
  listMode_ = listMode;
  endCode_ = POP_END_NONE;  // a session may run again: nothing of the last run counts
  if (!Connect()) {
    app_.transferIdle = true;
    app_.autoCheck = false;
    return false;
  }
  if (!app_.autoCheck && !authOnly_) owner_.ShowReceiveAnimation();
  return true;
}

void CPopSocket::Send(const std::string& command) {
  if (channel_) channel_->Send(command);
}

void CPopSocket::SendQuit(EndCode code) {
  endCode_ = code;
  // C: QUIT  (RFC 1939 section 6; any reply ends the run)
  Send("QUIT\r\n");
  state_ = State::Quit;
}

void CPopSocket::Close() {
  silence_.Stop();
  if (channel_) channel_->Close();
  if (output_) {
    // A message cut off in the middle is no message: its file goes.
    std::fclose(output_);
    output_ = nullptr;
    if (!tempName_.empty()) RemoveFile(JoinPath(app_.user().mailDir, tempName_));
    tempName_.clear();
  }
}

void CPopSocket::OnClosed() {
  if (state_ == State::Ended) return;
  closedByServer_ = true;
  owner_.OnServerClosed();
}

void CPopSocket::OnLine(const std::string& line, bool partial) {
  // The owner may start a new run (and drop this session) from within a
  // step: it waits until the step has returned.
  struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) { ++d; }
    ~Depth() { --d; }
  } depth(depth_);
  silence_.Touch();
  if (partial && state_ != State::RetrLines) return;  // pieces of an overlong reply line
  switch (state_) {
    case State::Greeting:  // S: +OK ready
      if (!IsPositive(line)) return SendQuit(POP_CONNECT_NG);
      Send("USER " + account_ + "\r\n");
      state_ = State::User;
      return;
    case State::User:  // S: +OK  (reply to USER, RFC 1939 section 7)
      if (!IsPositive(line)) return SendQuit(POP_USER_NG);
      Send("PASS " + password_ + "\r\n");
      state_ = State::Pass;
      return;
    case State::Pass:  // S: +OK logged in
      if (!IsPositive(line)) return SendQuit(POP_PASS_NG);
      Send("STAT\r\n");
      state_ = State::Stat;
      return;
    case State::Stat:  // S: +OK count size
      loop_.KillTimer(&owner_, TIMER_POP_TIMEOUT);
      return OnStat(line);
    case State::Sizes:  // S: +OK, then "number size" lines
      if (!IsPositive(line)) {
        sizes_.clear();  // no sizes to check against: the run goes on without
        return StartReceiveRun();
      }
      state_ = State::SizeLines;
      return;
    case State::SizeLines:
      return OnSizeLine(line);
    case State::Top:  // S: +OK, then the header lines
      if (!IsPositive(line)) return SendQuit(POP_TOP2_LINE_NG);
      state_ = State::TopLines;
      return;
    case State::TopLines:
      return OnTopLine(line);
    case State::Retr:  // S: +OK octets
      if (!IsPositive(line)) {
        // The message is passed over; it stays on the server.
        if (output_) fclose(output_);
        output_ = nullptr;
        RemoveFile(JoinPath(app_.user().mailDir, tempName_));
        tempName_.clear();  // or a DELE that follows would list the removed file
        if (Advance()) return;
        return NextTopOrFinish();
      }
      state_ = State::RetrLines;
      return;
    case State::RetrLines:
      return OnRetrLine(line, partial);
    case State::Dele:  // S: +OK marked
      return OnDele(line);
    case State::List:  // S: +OK, then "number size" lines
      if (!IsPositive(line)) return SendQuit(POP_LIST_LINE_NG);
      state_ = State::ListLines;
      return;
    case State::ListLines:
      return OnListLine(line);
    case State::ListTop:
      if (!IsPositive(line)) return SendQuit(POP_TOP_LINE_NG);
      state_ = State::ListTopLines;
      return;
    case State::ListTopLines:
      return OnListTopLine(line);
    case State::Quit:  // S: +OK bye (or anything)
      return OnQuitReply();
    case State::Ended:
      return;
  }
}

void CPopSocket::OnStat(const std::string& line) {
  if (!IsPositive(line)) return SendQuit(POP_STAT_NG);
  if (authOnly_) {
    // Logged on: that is all a send needs.
    Send("QUIT\r\n");
    state_ = State::Quit;
    return;
  }
  int count = 0;
  if (std::sscanf(line.c_str(), "+OK %d", &count) != 1 || count < 0) count = 0;
  messageCount_ = count;
  current_ = 0;
  if (count == 0) return Finish();
  app_.progressTotal = count;
  app_.progressPos = 0;
  loop_.SetTimer(&owner_, TIMER_PROGRESS, 50);
  owner_.SetProgressRange(count);
  const bool perList = app_.user().headerListPending != 0;
  if (perList || (app_.user().headerListMode == 0 && !listMode_)) {
    // C: LIST  (the sizes, to tell a message the server cut short)
    sizes_.clear();
    Send("LIST\r\n");
    state_ = State::Sizes;
    return;
  }
  app_.serverListExists = true;
  // C: LIST  (RFC 1939 section 5)
  Send("LIST\r\n");
  state_ = State::List;
}

void CPopSocket::OnSizeLine(const std::string& line) {
  if (IsTerminator(line)) return StartReceiveRun();
  int number = 0;
  long long size = 0;
  if (std::sscanf(line.c_str(), "%d %lld", &number, &size) == 2 && number > 0 && size >= 0) sizes_[number] = size;
}

std::vector<CCommonDetail*> CPopSocket::ServerEntries(bool markedOnly) const {
  std::vector<CCommonDetail*> out;
  for (const auto& e : app_.pendingServerList)
    if (auto v = AsServerEntry(*e); v.server() == server_ && v.account() == account_ &&
                                      (!markedOnly || v.action() == kDeleteOnServer))
      out.push_back(e.get());
  // The marked ones are met in the order of their numbers, whatever order
  // the list dialog left them in.
  if (markedOnly)
    std::stable_sort(out.begin(), out.end(),
                     [](const CCommonDetail* a, const CCommonDetail* b) {
                       return AsServerEntry(*a).number() < AsServerEntry(*b).number();
                     });
  return out;
}

void CPopSocket::StartReceiveRun() {
  deletionCount_ = 0;
  deletionIndex_ = 0;
  if (app_.user().headerListPending != 0) {
    deletionCount_ = static_cast<int>(ServerEntries(true).size());
    if (Advance()) return;
    if (messageCount_ < current_) return Finish();
  } else {
    current_ = 1;
    ++app_.progressPos;
  }
  // C: TOP n 0  (RFC 1939 section 7: the header only)
  Send("TOP " + std::to_string(current_) + " 0\r\n");
  state_ = State::Top;
}

bool CPopSocket::Advance() {
  ++current_;
  ++app_.progressPos;
  if (deletionIndex_ < deletionCount_) {
    std::vector<CCommonDetail*> marked = ServerEntries(true);
    if (static_cast<size_t>(deletionIndex_) < marked.size() && AsServerEntry(*marked[static_cast<size_t>(deletionIndex_)]).number() == current_) {
      // C: DELE n  (marked in the server mail list)
      Send("DELE " + std::to_string(current_) + "\r\n");
      state_ = State::Dele;
      ++deletionIndex_;
      return true;
    }
  }
  return false;
}

void CPopSocket::NextTopOrFinish() {
  if (messageCount_ < current_) return Finish();
  Send("TOP " + std::to_string(current_) + " 0\r\n");
  state_ = State::Top;
}

void CPopSocket::Unfold(const std::string& line) {
  if (!line.empty() && (line[0] == ' ' || line[0] == '\t'))
    header_ += line;
  else
    header_ = line;
}

void CPopSocket::OnTopLine(const std::string& line) {
  // Every message is fetched when mail is deleted from the server or a
  // server mail list decides what to take.
  if (deleteFlag_ || app_.serverListExists) rememberedId_.clear();
  if (!IsTerminator(line)) {
    Unfold(line);
    std::string id = MessageIdOfHeaderLine(header_);
    if (!id.empty() && !deleteFlag_ && !app_.serverListExists) rememberedId_ = id;
    return;
  }
  header_.clear();
  const bool known = !rememberedId_.empty() && known_.count(rememberedId_) > 0;
  rememberedId_.clear();
  if (known) {
    ++current_;
    ++app_.progressPos;
    return NextTopOrFinish();
  }
  BeginFetch();
}

void CPopSocket::BeginFetch() {
  const std::string dir = app_.user().mailDir;
  tempName_ = MakeStoreFileName(dir, "RCV");
  output_ = tempName_.empty() ? nullptr : std::fopen(ToFsPath(JoinPath(dir, tempName_)).c_str(), "wb");
  if (!output_) {
    if (!tempName_.empty()) RemoveFile(JoinPath(dir, tempName_));
    tempName_.clear();
    return StoreFailed();
  }
  outputOk_ = true;
  atLineStart_ = true;
  written_ = 0;
  // C: RETR n
  Send("RETR " + std::to_string(current_) + "\r\n");
  state_ = State::Retr;
}

void CPopSocket::OnRetrLine(const std::string& line, bool partial) {
  if (atLineStart_ && !partial && IsTerminator(line)) return EndFetch();
  if (output_) {
    // A leading dot of a line was doubled for the wire.
    const char* p = line.data();
    size_t n = line.size();
    if (atLineStart_ && n > 0 && p[0] == '.') {
      ++p;
      --n;
    }
    if (n > 0 && std::fwrite(p, 1, n, output_) != n) outputOk_ = false;
    if (!partial && std::fwrite("\r\n", 1, 2, output_) != 2) outputOk_ = false;
    written_ += n + (partial ? 0 : 2);
  }
  atLineStart_ = !partial;
}

void CPopSocket::EndFetch() {
  // The message must be on disk before the server may delete it. Left on
  // the server it needs no sync of its own: the filing syncs them all at
  // once before the index names them.
  bool ok = outputOk_ && output_ && std::fflush(output_) == 0 && (!deleteFlag_ || fsync(fileno(output_)) == 0);
  if (output_ && std::fclose(output_) != 0) ok = false;
  output_ = nullptr;
  const std::string path = JoinPath(app_.user().mailDir, tempName_);
  if (!ok) {
    // Not stored: the message stays on the server and comes again next
    // time. A full disk will not take the next one either.
    if (!tempName_.empty()) RemoveFile(path);
    tempName_.clear();
    return StoreFailed();
  }
  if (CutShort()) {
    // Less came than the server holds (a "." line it did not double, a
    // broken server): a part of a message is no message. It stays on the
    // server, and this copy is not filed.
    const int64_t size = sizes_[current_];
    RemoveFile(path);
    tempName_.clear();
    const std::string text = account_ + "@" + server_ + "：メッセージ " + std::to_string(current_) +
                             " 番は途中までしか届きませんでした（受け取ったのは " + std::to_string(written_) +
                             " バイト、サーバーでは " + std::to_string(size) +
                             " バイト）。このメッセージはサーバーに残しています。";
    Fail(text);
    notices_.push_back(text);  // told after QUIT, like every failure of a run
    if (Advance()) return;
    return NextTopOrFinish();
  }
  // Listed in the journal (and with a DELE to follow, on disk) before the
  // server may delete it: whatever happens next, the message is filed at the
  // next logon at the latest.
  if (!tempName_.empty() && !app_.journal().Add(tempName_, deleteFlag_)) {
    received_.push_back(tempName_);  // stored all the same: filed at the end of this run
    tempName_.clear();
    return StoreFailed();
  }
  if (deleteFlag_) {
    // C: DELE n
    Send("DELE " + std::to_string(current_) + "\r\n");
    state_ = State::Dele;
    return;
  }
  if (!tempName_.empty() && tempName_.find(".tmp") != std::string::npos) received_.push_back(tempName_);
  if (Advance()) return;
  NextTopOrFinish();
}

bool CPopSocket::CutShort() const {
  auto it = sizes_.find(current_);
  if (it == sizes_.end()) return false;
  // The server counts the message with CR LF line ends, as it is stored
  // here; a server that counts LF alone gives less, never more. Some slack
  // for servers whose sizes are estimates.
  const int64_t size = it->second;
  return static_cast<int64_t>(written_) + 64 + size / 20 < size;
}

void CPopSocket::StoreFailed() {
  SendQuit(POP_STORE_NG);
}

void CPopSocket::Fail(const std::string& text) { owner_.OnFailure(text); }

void CPopSocket::OnDele(const std::string& line) {
  if (!IsPositive(line) && deleteFlag_) return Finish();  // the fetched message stays in its file
  if (!tempName_.empty() && tempName_.find(".tmp") != std::string::npos &&
      (received_.empty() || received_.back() != tempName_))
    received_.push_back(tempName_);
  if (Advance()) return;
  NextTopOrFinish();
}

void CPopSocket::OnListLine(const std::string& line) {
  if (!IsTerminator(line)) {
    int number = 0;
    long size = 0;
    if (std::sscanf(line.c_str(), "%d %ld", &number, &size) < 1) return;
    for (CCommonDetail* e : ServerEntries(false))
      if (AsServerEntry(*e).number() == number) return;  // known: keeps its entry and its mark
    auto e = std::make_unique<CCommonDetail>();
    auto v = AsServerEntry(*e);
    v.from() = " ";
    v.subject() = " ";
    v.server() = server_;
    v.account() = account_;
    v.number() = number;
    v.action() = 0;
    v.size() = static_cast<int32_t>(size);
    app_.pendingServerList.push_back(std::move(e));
    return;
  }
  SendListTop();
}

void CPopSocket::SendListTop() {
  std::vector<CCommonDetail*> entries = ServerEntries(false);
  if (static_cast<size_t>(current_) >= entries.size()) return Finish();
  listEntry_ = entries[static_cast<size_t>(current_)];
  header_.clear();
  Send("TOP " + std::to_string(AsServerEntry(*listEntry_).number()) + " 0\r\n");
  ++current_;
  ++app_.progressPos;
  state_ = State::ListTop;
}

void CPopSocket::OnListTopLine(const std::string& line) {
  if (!IsTerminator(line)) {
    Unfold(line);
    std::string value;
    JisConverter jis;
    if (listEntry_ && FieldValue(header_, "From:", value)) {
      AsServerEntry(*listEntry_).from() = DecodeHeaderWords(value, jis);
    } else if (listEntry_ && FieldValue(header_, "Subject:", value)) {
      std::string subject;
      for (char c : DecodeHeaderWords(value, jis))
        if (c != '\t') subject.push_back(c);
      AsServerEntry(*listEntry_).subject() = subject;
    }
    return;
  }
  if (current_ < messageCount_) return SendListTop();
  Finish();
}

std::string CPopSocket::FailureText() const {
  const std::string who = account_ + "@" + server_;
  const bool auth = authOnly_;
  const char* authText = "POP認証に失敗しました。POPサーバー及びアカウント、パスワードをご確認ください。";
  switch (endCode_) {
    case POP_CONNECT_NG:
      return who + "[POP_CONNECT_NG]" + (auth ? authText : "メールを受信に失敗しました。続けますか。");
    case POP_USER_NG:
      return who + "[POP_USER_NG]" +
             (auth ? authText : "メールを受信に失敗しました。アカウントが正しくありません。続けますか。");
    case POP_PASS_NG:
      return who + "[POP_PASS_NG]" +
             (auth ? authText : "メールを受信に失敗しました。パスワードが正しくありません。続けますか。");
    case POP_STAT_NG: return who + "[POP_STAT_NG]メールを受信に失敗しました。続けますか。";
    case POP_LIST_LINE_NG: return who + "[POP_LIST_LINE_NG]メールを受信に失敗しました。続けますか。";
    case POP_TOP_LINE_NG: return who + "[POP_TOP_LINE_NG]メールを受信に失敗しました。続けますか。";
    case POP_TOP2_LINE_NG: return who + "[POP_TOP2_LINE_NG]メールを受信に失敗しました。続けますか。";
    case POP_STORE_NG:
      return who + "[POP_STORE_NG]メールディレクトリ " + app_.user().mailDir +
             " にメッセージを書き込めませんでした（ディスクの空きが足りない可能性があります）。"
             "保存できなかったメッセージはサーバーに残しています。";
    default: return {};
  }
}

void CPopSocket::OnQuitReply() {
  state_ = State::Ended;
  // The run is over: its logon time-out and probe must not fire later (a
  // sub-account's connect arms them again).
  loop_.KillTimer(&owner_, TIMER_POP_TIMEOUT);
  loop_.KillTimer(&owner_, TIMER_PROBE);
  silence_.Stop();
  for (const std::string& text : notices_) app_.prompter().Show(text, MbIcon::Exclamation);
  notices_.clear();
  if (endCode_ == POP_END_OK) return EndRun(true);
  owner_.ActivateOwner();
  if (endCode_ == POP_STORE_NG) {
    // Nothing more can be stored anywhere: no question, no sub-account.
    Fail(FailureText());
    app_.prompter().Show(FailureText(), MbIcon::Stop);
    return EndRun(false);
  }
  const bool box = !(endCode_ == POP_END_NONE && authOnly_);
  bool normal = false;
  if (box) {
    Fail(FailureText());
    normal = app_.prompter().Show(FailureText(), MbIcon::Question, MbButtons::OkCancel) == MbAnswer::Ok;
  }
  EndRun(normal);
}

void CPopSocket::EndRun(bool normal) {
  state_ = State::Ended;
  if (!normal) {
    app_.transferIdle = true;
    if (authOnly_) {
      owner_.SendMessage(WM_POPAUTH_DONE, 0, 0);
      Close();
      authOnly_ = false;
    } else {
      owner_.SendMessage(WM_POP_DONE, 0, reinterpret_cast<intptr_t>(&received_));
      Close();
    }
    return;
  }
  if (authOnly_) {
    authOnly_ = false;
    app_.transferIdle = true;
    owner_.SendMessage(WM_POPAUTH_DONE, 1, 0);
    Close();
    return;
  }
  StartNextSubAccount();
}

void CPopSocket::StartNextSubAccount() {
  auto& subs = app_.user().store.subAccounts;
  if (!subs.empty()) {
    Close();
    while (nextSub_ < subs.size()) {
      const CCommonDetail& sub = *subs[nextSub_++];
      const auto v = AsSubAccount(sub);
      if (v.disabled() == 1) continue;
      server_ = v.server();
      account_ = v.account();
      password_ = v.password();
      port_ = v.port();
      deleteFlag_ = v.deleteFromServer() != 0;
      endCode_ = POP_END_NONE;
      if (Connect()) return;  // the run goes on from the greeting (still not idle)
      Fail(account_ + "@" + server_ + "：サーバーに接続できませんでした。");
      app_.autoCheck = false;
    }
  }
  app_.transferIdle = true;
  owner_.SendMessage(WM_POP_DONE, 0, reinterpret_cast<intptr_t>(&received_));
  Close();
}

}  // namespace fennel
