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
<font face="Verdana, sans-serif" size="2" color="#000000"><br><br><b>You Now Have Master Resale/Giveaway Rights To This Software</b></font>
</td></tr>
<tr><td align="left">
<br><br><br>
<font face="Verdana, sans-serif" size="2" color="#000000">
This copy of the software comes with full master resale rights. You may sell it to anyone, at any
price you choose, and keep all of the money; you may also pass the same master resale rights on to
your own buyers, so that they can sell it in turn.
<br><br>
You may equally give the software away for free: offer it as a download on your website, as a
bonus to your customers or subscribers, or bundle it with your own products and packages. Please
hand it on unchanged and complete, as you received it.
<br><br>
SALES_PAGE_LINK
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

const std::string_view kDistributionPageTemplate = kPage.View();

// The download site is a placeholder host under the reserved .example domain.
const std::string_view kSalesPageText =
    "To download the ready-made sales page for this software, "
    "<a href='http://downloads.orvalis.example/dl/OrvalisProMiniSite.zip'>click here</a>";

}  // namespace orvalis
