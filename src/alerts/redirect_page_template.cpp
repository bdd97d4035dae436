#include "alerts/page_templates.h"

namespace orvalis {

// A browser that ignores the refresh header still has the link.
const std::string_view kRedirectPageTemplate =
    "<HTML><HEAD><TITLE>Redirect</TITLE>\n"
    "<META HTTP-EQUIV=\"refresh\" CONTENT=\"0; URL=%s\">\n"
    "</HEAD><BODY><br><br><br><center>If you are not redirected automatically, please "
    "<a href=\"%s\" style=\"color:#000000\">click here</a></center></BODY></HTML>";

}  // namespace orvalis
