// The system's user-visible texts: messages, titles and captions that code uses.
// The window and the command-line tool print exactly these bytes.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::texts {

// Titles.
inline constexpr std::string_view kApplicationTitle = "Velmoraine";
inline constexpr std::string_view kMessageTitle = "Web Form Validator and Processor by Velmoraine";
inline constexpr std::string_view kWindowTitle = "Web Form Processor and Validator by Velmoraine";
inline constexpr std::string_view kWindowTitleCustomJoin = " for ";
inline constexpr std::string_view kChooserTitle = "Mulitple Forms Found";
inline constexpr std::string_view kHelpWindowTitle = "Velmoraine Help";

// File errors, "%s" is the path.
inline constexpr std::string_view kCannotOpenFile = "Cannot open file %s";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file %s";

// Page scan.
inline constexpr std::string_view kNoForm =
    "Velmoraine cannot find a form in your HTML page. Your page must contain a <FORM> tag!";

// Navigation (page 1 and the end of an editor run).
inline constexpr std::string_view kNoPageChosen = "You must select an HTML file with the form you want to process.";
inline constexpr std::string_view kInvalidAccountId =
    "You have not entered a valid Account ID. In order to continue, you must sign up for an Account ID. This is "
    "FREE an takes only about a minute!";
inline constexpr std::string_view kValidationAdded = "Validation code has been added to your form.";

// Rule editor.
inline constexpr std::string_view kSpecialCharacterInName =
    "You cannot validate this field because the field name contains a special character (such as a space, "
    "apostrophe or period). You must edit your HTML file and change the field name first.";
inline constexpr std::string_view kSeparatorInSettings =
    "The validation settings cannot contain ^, :;, */ or </. Please remove them and try again.";
inline constexpr std::string_view kRuleUpdated = "Validation settings for field \"%s\" have been updated.";

// Error messages the rule editor proposes, "%s" is the field name.
inline constexpr std::string_view kFilledInMessage = "Field \"%s\" must be filled in.";
inline constexpr std::string_view kEmailKindMessage = "Please enter a valid email address";
inline constexpr std::string_view kSequenceKindMessage = "The value in field \"%s\" is not valid.";
inline constexpr std::string_view kNumberKindMessage = "Field '%s' must contain a valid number.";
inline constexpr std::string_view kEmailProposal = "Please enter a valid email address.";
inline constexpr std::string_view kNumberProposal = "Field \"%s\" must contain a valid number.";
inline constexpr std::string_view kZipPresetMessage = "Please enter a valid zip code.";
inline constexpr std::string_view kPhonePresetMessage = "Please enter a valid phone number with area code.";
inline constexpr std::string_view kDatePresetMessage = "Please enter a date in the format dd/mm/yy.";

// Rewriter.
inline constexpr std::string_view kNoHeadOrBody =
    "Error: Your HTML page does not contain <HEAD> or <BODY> tags. Velmoraine cannot process this file.";
inline constexpr std::string_view kChosenFormMissing =
    "Velmoraine cannot find the chosen form (number %d) in your HTML page. Please select the page again.";
inline constexpr std::string_view kFieldNotInForm = "Field \"%s\" is not in the chosen form of your HTML page.";

// Warnings to the author before the page is written; they never stop the rewrite.
inline constexpr std::string_view kWarnFieldWithoutLabel =
    "Warning: field \"%s\" has no label. Screen readers cannot name it, and its error message names it by its "
    "field name. Give it a <label for> or an aria-label.";
inline constexpr std::string_view kWarnNoSubmitButton =
    "Warning: the form has no submit button. Visitors using the keyboard may not be able to send it.";
inline constexpr std::string_view kWarnOnSubmitReplaced =
    "Warning: the form's own onsubmit handler (%s) is replaced by the Velmoraine checks.";
inline constexpr std::string_view kWarnPolicyBlocksChecks =
    "Warning: the page's Content-Security-Policy meta tag blocks the Velmoraine checks. Add %s to its script-src.";

// Output page: the fallback setting and the notes for the author.
inline constexpr std::string_view kHtml5FallbackCaption =
    "Also stop bad data when scripts are off or blocked (HTML5 attributes on the fields)";
inline constexpr std::string_view kCspHashNote = "For a Content-Security-Policy, add to script-src: %s";

// Output page.
inline constexpr std::string_view kCopiedAll = "The entire HTML page has been copied to the Windows clipboard.";
inline constexpr std::string_view kSaved =
    "Your HTML page has been saved to file %s. You can click the Test button on the right to test the form in your "
    "browser.";

// Fills the single "%s" or "%d" of a message with a value; the rest stays byte for byte.
std::string fill(std::string_view pattern, std::string_view value);
std::string fill(std::string_view pattern, long long value);

} // namespace velmoraine::texts
