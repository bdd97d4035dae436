#include "alerts/crlf_text.h"
#include "alerts/page_templates.h"

namespace orvalis {
namespace {

constexpr std::string_view kSource = R"(
<html>
<head>
<meta charset="utf-8">
<title>%s</title>
</head>
<body bgcolor="#e0e0e0">
<center>
<table width="700" border="0" cellPadding="0" cellSpacing="0" bgcolor="#ffffff">
<tr><td align="center">
<br><br><br>
<table width="600" border="0" cellPadding="0" cellSpacing="0">
<tr><td align="center">
<font face="Verdana, sans-serif" color="#b00000" size="6">%s</font><br>
<font face="Verdana, sans-serif" size="2" color="#000000"><b><br>Brought to you by<br><br><a href="%s">%s</a></b></font>
</td></tr>
<tr><td align="left">
<br><br><br>
<font face="Verdana, sans-serif" size="2" color="#000000">
This program keeps watch over your websites. At the interval you choose it fetches every page on
its list and shows the result beside the address: "OK" with the time of the last good check,
"Page Not Found" when the page could not be fetched but its server still answers, "No Connection"
when neither the page nor its server answers, and "SERVER DOWN" when your server has stopped
answering while the rest of the Internet can still be reached.
<br><br>
It is meant to run all the time, out of your way, as an icon in your desktop's tray (the
notification area of the panel). When a server goes down, or a page you watch for changes has
changed, the icon flashes and a notification pops up, so you notice at once whatever you are
doing. Open the window from the icon to see which site needs your attention.
<br><br>
Let it start by itself: with the autostart option in the Settings turned on, the program starts
each time you log in to your desktop and goes straight to the tray.
<br><br>
The program can only check your sites while your computer is connected to the Internet. When your
own connection is down it does not blame your servers: a server is reported down only when it
fails to answer while two major websites do answer.
<br><br><br><br>
<b>Adding and Deleting Websites</b>
<br><br>
Click New (or press the Insert key in the list) to add a line, type the full address of the page,
for example http://www.example.com/, and press Enter. To correct an address, select its line,
click Edit, change the address and press Enter; the page is then checked afresh.
<br><br>
To stop watching pages, select their lines and click Delete (or press the Delete key). You can
monitor as many pages of one site as you like, for example its home page, its shop and its
contact form, each on a line of its own.
<br><br><br><br>
<b>Clear Status</b>
<br><br>
Three statuses stay in the list until you have seen them: "SERVER DOWN" (the server does not
answer), "WAS DOWN" (the server was down and has come back) and "CHANGED" (the content of the page
is no longer what it was). While any of them is in the list, the tray icon flashes whenever the
window is hidden. Click
Clear Status to clear all of them at once, together with any "Page Not Found" and "No Connection";
the times of the good checks stay.
<br><br>
Pages are compared with their last known content only when "Check sites for changes" is turned on
in the Settings.
<br><br><br><br>
<b>Web Browser</b>
<br><br>
Select one or more lines and click Web Browser to open those pages in your web browser, for
example to look at a page that was marked as changed.
<br><br><br><br>
<b>Hide To Tray</b>
<br><br>
Click Hide to Tray to put the window away: it disappears from the screen and the taskbar and the
program keeps working from its icon in the tray. The window's minimise button does the same.
Double-click the icon to bring the window back (on desktops whose tray passes on only single
clicks, one click does it), or right-click it and choose Show. On a desktop without a tray the
window is minimised to the taskbar instead.
<br><br><br><br>
<b>Settings</b>
<br><br>
Choose how often the sites are checked: a number and a unit of seconds, minutes or hours. Unless
you change it, every site is checked every 10 minutes.
<br><br>
<i>Run whenever you log in:</i> starts the program hidden in the tray each time you log in to your
desktop, through an entry in your desktop's autostart folder (~/.config/autostart). Checking
starts two minutes after the program starts, so that your computer can finish starting up and
connect to the network first.
<br><br>
<i>Check sites for changes:</i> remembers each page's content and marks the page "CHANGED" when the
content is different at a later check. Leave this off for pages that change by themselves on every
visit, such as pages showing the time, a visitor counter or rotating advertisements; they would be
marked changed again and again.
<br><br>
<i>Connect mode:</i> leave this at "Normal" unless you have the problem described at the end of
this page.
<br><br>
<i>Send email if server is down:</i> have an email sent to you whenever a check finds servers
down. Enter the name of your outgoing mail (SMTP) server, the address the email should go to, and
the address it should come from.
<br><br>
<i>How To Find Your SMTP Server Name:</i> your email program already knows it. In Thunderbird,
open Account Settings and select Outgoing Server (SMTP) at the bottom of the account list; in
Evolution, open Edit, Preferences, Mail Accounts, edit your account and look under Sending Email.
The name usually looks like smtp.yourprovider.com or mail.yourprovider.com. If you are unsure, your
Internet provider or your mail provider will tell you.
<br><br><br><br>
<b>Limitations Of The Software</b>
<br><br>
A site is reported down when it cannot be reached while two major websites can. This tells a
server that is down apart from a connection that is down, but it cannot see every fault between
you and your site: when your Internet provider has trouble reaching your server, or a route to it
fails somewhere along the way, the site is reported down even though visitors elsewhere may still
reach it. When a site is reported down, check it from another connection, or ask your host,
before you assume the worst.
<br><br><br><br>
<b><font color="#b00000">What To Do If The Software Unable To Connect</font></b>
<br><br>
If every site stays at "No Connection" while your web browser works, a firewall is probably
blocking the program. Allow it to make outgoing connections to the web (ports 80 and 443), and
to your mail server if you use the email alert, in your firewall, for example in ufw or firewalld, or ask your network administrator to allow it. On a
network that reaches the web only through a proxy server, start the program with the proxy set in
the http_proxy and https_proxy environment variables, as other command-line tools use it.
<br><br><br><br>
<b><font color="#b00000">What To Do If The Software Repeatedly Connects You To The Internet When You Don't Want It To</font></b>
<br><br>
On a computer that connects on demand, for example through a dial-up or mobile connection set to
connect automatically, each check can make the computer connect again. Open the Settings and set
Connect mode to "Passive": the program then checks your sites only while the computer is already
online and never asks it to connect. Exit the program and start it again for the new mode to take
effect.
<br><br>
Passive mode does not work on every computer. It decides whether the computer is online from the
address of the computer's own name, and on many systems that name always points to the computer
itself (an address starting with 127.0), whether it is online or not. On such a computer no site
is ever checked in Passive mode; set Connect mode back to "Normal".
<br><br><br>
</font>
</td></tr>
</table>
</td></tr>
</table>
</center>
</body>
</html>
)";

constexpr CrLfText<CrLfSize(kSource)> kPage(kSource);

}  // namespace

const std::string_view kHelpPageTemplate = kPage.View();

}  // namespace orvalis
