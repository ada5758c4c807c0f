// Window messages and timers shared by the parts of the program. The values
// are fixed: they travel between processes and between windows.
#pragma once

namespace fennel {

constexpr unsigned WM_POP_DONE = 0x040A;         // POP3 run ended; lParam = temporary file names
constexpr unsigned WM_SMTP_DONE = 0x0414;        // SMTP session ended
constexpr unsigned WM_SEND_NEXT = 0x0419;        // batch send: go on with the next unsent mail
constexpr unsigned WM_MAIL_REPLY = 0x041E;       // open the shown mail as a reply
constexpr unsigned WM_MAIL_RECEIPT = 0x0423;     // open the shown mail as a receipt notice
constexpr unsigned WM_MAIL_FORWARD = 0x0428;     // open the shown mail as a forward
constexpr unsigned WM_SEND_NOW = 0x0432;         // send the composed mail now
constexpr unsigned WM_POPAUTH_DONE = 0x043C;     // authentication-only run ended; wParam 0 go on, 1 stop
constexpr unsigned WM_POPAUTH_REQUEST = 0x0446;  // a mail window asks to send; wParam = that window
constexpr unsigned WM_OPEN_PARAMETER = 0x0450;   // a second instance hands over its parameter

constexpr unsigned TIMER_AUTOCHECK = 0xF008;     // automatic mail check, interval x 60000 ms
constexpr unsigned TIMER_POP_TIMEOUT = 0xF009;   // POP3 logon time-out
constexpr unsigned TIMER_SMTP_TIMEOUT = 0xF00A;  // SMTP logon time-out
constexpr unsigned TIMER_PROGRESS = 0xF00B;      // receive progress, 50 ms
constexpr unsigned TIMER_PROBE = 0xF00D;         // silent-server probe, half the time-out
// On the sessions themselves: no byte from the server for the time-out.
constexpr unsigned TIMER_POP_SILENT = 0xF00E;
constexpr unsigned TIMER_SMTP_SILENT = 0xF00F;

}  // namespace fennel
