// A settings record with every field set and a store holding records of
// every class.
#pragma once

#include "config/user_info.h"

namespace fennel::test {

inline void FillSampleUser(CUserInfo& u) {
  u.userId = "taro";
  u.scrambledPassword = std::string(250, 'p');
  u.createTime = 1796857955;
  u.smtpServer = "smtp.example.jp";
  u.popServer = "pop.example.jp";
  u.fullName = "山田 太郎";
  u.mailAddress = "taro@example.jp";
  u.account = "taro";
  u.mailPassword = "パス";
  u.mailDir = "/home/taro/mail";
  u.smtpPort = 587;
  u.popPort = 995;
  u.leaveOnServer = 0;
  u.checkInterval = 15;
  u.sigOfficial = "--\r\n山田";
  u.sigPersonal = "たろう";
  u.sigOther = std::string(300, 's');
  u.defaultPage = "https://example.jp/";
  u.receiptText = "確かに受信しました。";
  u.serverTimeout = 3;
  u.headerListMode = 1;
  u.headerListPending = 1;
  u.keepLogon = 1;
  u.htmlMode = 2;
  u.mainHeight = 700;
  u.mainWidth = 1000;
  u.mailboxHeight = 490;
  u.mailboxWidth = 790;
  u.messageWidth = 640;

  for (int i = 0; i < 2; ++i) {
    auto a = std::make_unique<CAddressDetail>();
    a->mailAddress = "friend" + std::to_string(i) + "@example.jp";
    a->nickname = "友" + std::to_string(i);
    a->memo = "一行目\r\n二行目";
    a->kind = i;
    u.store.addresses.push_back(std::move(a));
  }
  for (const char* name : {"受信フォルダ", "仕事"}) {
    auto f = std::make_unique<CFolderDetail>();
    f->name = name;
    f->sortText = "a,b";
    f->sortCondition = 1;
    for (int i = 0; i < 2; ++i) {
      auto m = std::make_unique<CMailDetail>();
      m->filePath = "/home/taro/mail/RCVabcd" + std::string(1, static_cast<char>('a' + i)) + ".tmp";
      m->from = "差出人";
      m->subject = "件名" + std::to_string(i);
      m->date = 1700000000 + i;
      m->messageId = "<" + std::to_string(i) + "@example.jp>";
      m->state = 3;
      m->priority = i;
      f->mails.push_back(std::move(m));
    }
    u.store.folders.push_back(std::move(f));
  }
  auto sub = std::make_unique<CCommonDetail>();
  sub->s[0] = "pop.sub.jp";
  sub->i[0] = 110;
  u.store.subAccounts.push_back(std::move(sub));
  auto phrase = std::make_unique<CCommonDetail>();
  phrase->s[0] = "挨拶";
  phrase->i[0] = 1;
  u.store.phrases.push_back(std::move(phrase));
}

}  // namespace fennel::test
