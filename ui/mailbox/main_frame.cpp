#include "ui/mailbox/main_frame.h"

#include "platform/fs.h"
#include "platform/messages.h"

namespace fennel {

const std::vector<Menu>& CMainFrame::Menus() {
  static const std::vector<Menu> menus = {
      {"ファイル(&F)",
       {
           {ID_FILE_NEW_MAIL, "新しいﾒｰﾙを作成する(&N)", "Ctrl+N"},
           {ID_FILE_OPEN_MAILBOX, "ﾒｰﾙﾎﾞｯｸｽを開く(&O)", "Ctrl+O"},
           {0, "", ""},
           {ID_RECEIVE, "ﾒｰﾙを受け取る(&G)", "Ctrl+Shift+G"},
           {ID_RECEIVE_LIST, "ﾒｰﾙﾘｽﾄを受け取る(&G)", ""},
           {ID_SEND_UNSENT, "未送信ﾌｫﾙﾀﾞ一括送信", ""},
           {0, "", ""},
           {ID_MAIL_SETTINGS, "ﾒｰﾙの設定をする", "Ctrl+M"},
           {ID_MAIL_WIZARD, "ﾒｰﾙの設定ｳｲｻﾞｰﾄﾞ", ""},
           {0, "", ""},
           {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", ""},
       }},
      {"特別(&S)",
       {
           {ID_REBUILD, "ﾒｰﾙを取り込む", ""},
           {ID_IMPORT_EML, "外部ﾒｰﾙｲﾝﾎﾟｰﾄ(.eml)...", ""},
           {0, "", ""},
           {ID_WRITE_REPORT, "設定を書き出す...(&C)", ""},
           {0, "", ""},
           {ID_BACKUP_SUBACCOUNTS, "ｻﾌﾞｱｶｳﾝﾄをﾊﾞｯｸｱｯﾌﾟする...(&S)", ""},
           {ID_BACKUP_FOLDERS, "ﾌｫﾙﾀﾞをﾊﾞｯｸｱｯﾌﾟする...(&F)", ""},
           {ID_RESTORE_SUBACCOUNTS, "ｻﾌﾞｱｶｳﾝﾄをﾘｽﾄｱする...(&T)", ""},
           {ID_RESTORE_FOLDERS, "ﾌｫﾙﾀﾞをﾘｽﾄｱする...(&G)", ""},
       }},
      {"ﾍﾙﾌﾟ(&H)",
       {
           {ID_SUPPORT_PAGE, "ｻﾎﾟｰﾄﾎｰﾑﾍﾟｰｼﾞ", ""},
           {ID_ONLINE_HELP, "ｵﾝﾗｲﾝﾍﾙﾌﾟ", ""},
           {0, "", ""},
           {ID_APP_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報(Fennel04) (&A)...", ""},
       }},
  };
  return menus;
}

FrameLayout CMainFrame::OnCreate() {
  const std::string& user = app_.user().userId;
  app_.popAuth = app_.profile().PopAuth(user);
  FrameLayout l;
  l.toolBar = app_.profile().ToolBar(user);
  l.statusBar = app_.profile().StatusBar(user);
  l.width = app_.user().mainWidth;
  l.height = app_.user().mainHeight;
  return l;
}

void CMainFrame::OnClose(const FrameLayout& l) {
  const std::string& user = app_.user().userId;
  if (user.empty()) return;
  app_.profile().SetToolBar(user, l.toolBar);
  app_.profile().SetStatusBar(user, l.statusBar);
  app_.profile().SetPopAuth(user, app_.popAuth);
  app_.user().mainWidth = l.width;
  app_.user().mainHeight = l.height;
}

bool CMainFrame::IsEnabled(unsigned id) const {
  // The maintenance menu; not while a transfer runs (the store is being
  // filled).
  if (CMaintenance::IsCommand(id)) return maintenance_ && app_.transferIdle && maintenance_->IsEnabled(id);
  switch (id) {
    case ID_SUPPORT_PAGE:
    case ID_ONLINE_HELP:
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
      return true;
    case ID_RECEIVE:
    case ID_RECEIVE_LIST:
      return receive_ && receive_->CanReceive();
    case ID_SEND_UNSENT:
      return send_ && send_->CanBatchSend();
    case ID_FILE_OPEN_MAILBOX:
      return host_.CanOpenMailbox();
    default:
      // The compose window, the settings sheet and the wizard pages are not
      // part of this build yet.
      return false;
  }
}

void CMainFrame::OnCommand(unsigned id) {
  if (!IsEnabled(id)) return;
  if (CMaintenance::IsCommand(id)) return maintenance_->OnCommand(id);
  switch (id) {
    case ID_SUPPORT_PAGE:
      shell_.Open(kDefaultStartPage);
      break;
    case ID_ONLINE_HELP:
      OnOnlineHelp();
      break;
    case ID_APP_ABOUT:
      host_.ShowAbout();
      break;
    case ID_APP_EXIT:
      host_.CloseMainWindow();
      break;
    case ID_RECEIVE:
      receive_->StartRun(CReceiveDriver::Run::Receive);
      break;
    case ID_RECEIVE_LIST:
      receive_->StartRun(CReceiveDriver::Run::List);
      break;
    case ID_SEND_UNSENT:
      send_->StartBatch();
      break;
    case ID_FILE_OPEN_MAILBOX:
      host_.OpenMailbox();
      break;
    default:
      break;
  }
}

void CMainFrame::OnOnlineHelp() {
  const std::string help = app_.user().logonDir + kHelpPage;
  if (FileExists(help) && shell_.Open(help)) return;
  if (app_.prompter().Show("ﾍﾙﾌﾟﾌｧｲﾙが見つかりません。ｻﾎﾟｰﾄﾎｰﾑﾍﾟｰｼﾞよりﾀﾞｳﾝﾛｰﾄﾞしてください。", MbIcon::Exclamation,
                           MbButtons::OkCancel) == MbAnswer::Ok)
    shell_.Open(kDefaultStartPage);
}

intptr_t CMainFrame::SendMessage(unsigned msg, uintptr_t, intptr_t) {
  if (msg == WM_OPEN_PARAMETER) {
    host_.RaiseMainWindow();
    if (app_.HandOff() && IsEnabled(ID_FILE_NEW_MAIL)) host_.OpenComposeWindow();
  }
  return 0;
}

}  // namespace fennel
