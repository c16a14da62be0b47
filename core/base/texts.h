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
// Reasons after a file error ("Cannot create file X: the file is read-only").
inline constexpr std::string_view kReadOnlyReason = "the file is read-only";
inline constexpr std::string_view kInterruptedReason = "interrupted";
// After a write through an existing file that failed half-way, "%s" is the complete copy.
inline constexpr std::string_view kNewPageKept = "The new page is kept in %s.";
inline constexpr std::string_view kPageChangedMeanwhile =
    "The page %s was changed by another program after Velmoraine read it. Nothing was written: select the page "
    "again to work on its new text.";

// Page scan. "%s" is the encoding's name (UTF-16, UTF-32).
inline constexpr std::string_view kUnsupportedEncoding =
    "Your HTML page is saved as %s, which Velmoraine cannot read. Please save it as UTF-8 or in an 8-bit encoding "
    "(such as ISO-8859-1 or Windows-1252) and select it again.";
inline constexpr std::string_view kNoForm =
    "Velmoraine cannot find a form in your HTML page. Your page must contain a <FORM> tag!";
// On page 3 for a page whose earlier tool mailed the form's results; "%s" is the address.
inline constexpr std::string_view kResultsMailedTo =
    "The earlier tool mailed this form's results to %s: set that address in your Velmoraine account's form "
    "settings to have them mailed there again.";

// Shown in the empty field lists when the chosen form lists no field.
inline constexpr std::string_view kNoNamedFields =
    "No field of this form has a name (name=\"...\" in its input, select or textarea tags), so none can be "
    "listed or checked. Give each field a name in the page and select it again.";

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
    "The validation settings cannot contain ^, :;, */, </ or line breaks. Please remove them and try again.";
// A rule restored from the page that cannot be written into the script again, "%s" its field.
inline constexpr std::string_view kSeparatorInFieldSettings =
    "The validation settings of field \"%s\" cannot contain ^, :;, */, </ or line breaks. Please remove or change "
    "the field's rule on the validation page and try again.";
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

// Script model, "%s" is the model file's path.
inline constexpr std::string_view kModelWithoutBeginMarker =
    "The script model %s does not begin with the line <!-- VELMORAINE-BEGIN -->. Velmoraine cannot write the "
    "validation code without it, so that a later run can find and replace it. Please restore the model file.";

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
inline constexpr std::string_view kPageUnchanged = "The update leaves your page as it was.";
inline constexpr std::string_view kCopiedAll = "The entire HTML page has been copied to the Windows clipboard.";
inline constexpr std::string_view kLineEndingsTip =
    "When you edit this text, every line break of the page is written as the page's usual one (%s), those of the "
    "validation code included.";
// "%s" is the character with its code (\"\u0416\" U+0416), then the line, then the character set.
inline constexpr std::string_view kCharacterNotInCharset =
    "The character %s on line %d cannot be written in this page's character set, %s. Please remove it or "
    "change it, then save again. Nothing has been saved.";
// Asked by Test when the page shown is not what was saved last; "%s" is the saved file.
inline constexpr std::string_view kSavedFileOlder =
    "The file %s holds the page as it was saved before, not the updated page shown now: its rules or its text "
    "have changed since. Save the page shown over it before testing?";
inline constexpr std::string_view kSaved =
    "Your HTML page has been saved to file %s. You can click the Test button on the right to test the form in your "
    "browser.";

// Settings files: "%s" is the file, the reason follows the colon.
inline constexpr std::string_view kSettingsUnreadable = "The settings file %s cannot be read: ";
inline constexpr std::string_view kSettingsIsFolderReason = "it is a folder, not a file.";
inline constexpr std::string_view kSettingsWideReason =
    "it is saved as UTF-16 or UTF-32. Please save it as UTF-8 and start again.";

// A file message with the system's reason after a colon: "Cannot create file X: No space left
// on device". Without a reason the message stands alone.
std::string withReason(std::string message, std::string_view reason);

// "Cannot create file X" with the reason, and where a complete copy of the new page was left.
std::string cannotCreateText(std::string_view path, std::string_view reason, std::string_view keptCopy);

// Fills the single "%s" or "%d" of a message with a value; the rest stays byte for byte.
std::string fill(std::string_view pattern, std::string_view value);
std::string fill(std::string_view pattern, long long value);

} // namespace velmoraine::texts
