#include "shell/terms_of_use.h"

namespace orvalis {

const char* const kTermsText =
    "Using this software requires that you agree to the standard terms and conditions "
    "below.\r\n"
    "\r\n"
    "Disclaimer and release...\r\n"
    "This software is provided as is, without any express or implied warranty of any kind, "
    "including but not limited to the implied warranties of merchantability and fitness for a "
    "particular purpose. You bear the whole risk as to the quality and performance of the "
    "software and of the results of its use. In no event shall anyone involved in developing, "
    "selling or distributing this software be liable for any damage whatsoever, including "
    "without limitation damages for loss of profits, business interruption or loss of "
    "information, arising out of the use or misuse of this software or the inability to use "
    "it, even if advised of the possibility of such damage. No advice or information, oral or "
    "written, given by anyone shall create a warranty not expressly stated here.\r\n"
    "\r\n"
    "Severability...\r\n"
    "If any term of this agreement is held invalid or unenforceable by a court of competent "
    "jurisdiction, that term shall be limited or removed to the least extent necessary, and the "
    "remaining terms of this agreement shall stay in full force and effect.\r\n"
    "\r\n"
    "Governing law...\r\n"
    "This agreement is governed by the laws of New Zealand and is entered into in Nelson, New "
    "Zealand. Any dispute arising from it falls exclusively under the jurisdiction of New "
    "Zealand and shall be brought before a court in Nelson, to whose jurisdiction you agree to "
    "submit.";

bool AskTermsAcceptance(UserMessages& messages) {
    const std::string text = std::string(kTermsText) + kTermsQuestion;
    return messages.Show(text, MessageIcon::Question, MessageButtons::YesNoDefaultNo) ==
           MessageAnswer::Yes;
}

}  // namespace orvalis
