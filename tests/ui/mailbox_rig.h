// What the mailbox presenters' tests share: a user with a mail directory in
// a temporary directory, a scripted prompter, the mailbox document.
#pragma once

#include "config/mail_app.h"
#include "platform/fs.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "ui/mailbox/mailbox_doc.h"

namespace fennel::test {

struct MailboxRig {
  MailboxRig() {
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.mailDir = dir / "mail";
    MakeDirs(u.mailDir);
  }
  CListInfo& store() { return app.user().store; }

  TempDir dir;
  Profile profile{dir / "Fennel.ini"};
  ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  CMailBoxDoc doc{app.user().store};
};

}  // namespace fennel::test
