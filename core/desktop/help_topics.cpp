#include "core/desktop/help_topics.h"

#include <array>

#include "core/desktop/launch_commands.h"

namespace velmoraine::help {

namespace {

// --- Contents: what the wizard does, page by page ---

constexpr std::string_view kContents = R"html(
<h2>Web Form Processor and Validator</h2>
<p>This wizard makes the form of one of your HTML pages work with the Velmoraine form-processing
service, and can add checks that make sure your visitors fill the form in properly. It never
changes your page: it shows you an updated copy, which you save under a name of your choice and
upload to your web server.</p>

<h3>The three steps</h3>
<ol>
<li><b>Select Your Form.</b> Press <b>Select &gt;&gt;</b> and open the page that holds your form
(<code>.htm</code>, <code>.html</code>, <code>.php</code> or <code>.asp</code>). The fields of the
form are listed. When the page holds more than one form, the wizard shows the opening tags of the
first three and asks which one to use. Enter your five-digit <b>Account ID</b> and choose a
<b>Form Number</b> (1 to 10), which tells your forms apart in your account's Control Panel.
The ID is remembered for the next time.</li>
<li><b>Validate Fields</b> (optional). Attach a check to each field that needs one: must be
filled in, must be an e-mail address, must be a phone number, zip code, date or other sequence
of digits, or must be a number within limits. See <a href="help:1002">Validating fields</a>.
Press Continue to skip this step.</li>
<li><b>Write Data to Text File.</b> The updated page appears. <b>Copy All</b> puts it on the
clipboard, <b>Save As...</b> writes it to a file, and <b>Test</b> opens the saved file in your
browser. Then upload the saved page and set up your account: see
<a href="help:1001">Step by step</a>.</li>
</ol>
<p>Use <b>&lt; Back</b> to go back a step. The rules you made stay while the wizard is open, and
page 3 is built afresh from your file every time you come to it.</p>

<h3>What changes in your page</h3>
<ul>
<li>The form's tag sends the form to the Velmoraine service (<code>/cgi-bin/process.cgi</code>)
and, when you made rules, runs the checks before the form is sent.</li>
<li>A hidden field named <code>velmoraine</code> carries your Account ID and the form number.</li>
<li>When you made rules, a script block between the comments
<code>&lt;!-- VELMORAINE-BEGIN</code> and <code>&lt;!-- VELMORAINE-END --&gt;</code> is placed
before the page's closing head tag. It holds the checks and a line that stores your rules.</li>
</ul>
<p>Everything else in the page stays as it was. When you open an updated page in the wizard
again, the rules stored in it are listed on page 2, ready to be changed; the new script block
replaces the old one.</p>

<h3>Started from Dornapelle (editor mode)</h3>
<p>When the Dornapelle HTML editor starts the wizard for the page you are editing, the wizard
opens at step 2 with that page's fields. Make your rules and press Continue: the validation is
written into that same page, Dornapelle is told, and the wizard closes. Your Account ID is not
asked for in this mode; when one is stored, the form is linked to the service as well.</p>

<h3>Settings and files</h3>
<ul>
<li><code>velmoraine.ini</code> in your configuration folder holds the program folder
(<code>main dir</code>), your Account ID (<code>vl_id</code>) and an optional name shown in the
window title (<code>custom</code>).</li>
<li><code>vlmodel.txt</code> holds the check functions that go into every script block. The
wizard reads it from the program folder (<code>main dir</code>) when it is there, else the copy
installed with the program (<code>share/velmoraine/vlmodel.txt</code>); a message names the full
path when neither is found. Its first line must be
<code>&lt;!-- VELMORAINE-BEGIN --&gt;</code>.</li>
</ul>
<p>No account yet? The link <b>Click Here to get your FREE Account ID</b> on page 1 opens the
sign-up page. The address at the foot of page 1 opens the service's home page.</p>
)html";

// --- Step by step: from the page to a working form ---

constexpr std::string_view kInstructions = R"html(
<h2>Step by step: from your page to a working form</h2>
<ol>
<li><b>Prepare your page.</b> It needs a <code>&lt;form&gt;</code> tag, and each field you want
to receive or check needs a <code>name</code> attribute. Names without blanks, periods or
apostrophes can be validated (use <code>first_name</code> rather than
<code>first name</code>). When you add checks, the page also needs a
<code>&lt;head&gt;</code> or <code>&lt;body&gt;</code> tag (in lower case or in capitals), where
the checks are placed.</li>
<li><b>Get your Account ID.</b> Click <b>Click Here to get your FREE Account ID</b> on page 1 and
sign up; it takes about a minute. Your ID is a five-digit number.</li>
<li><b>Select the page.</b> Press <b>Select &gt;&gt;</b> and open your page. If it holds several
forms, pick the one to process. Check that the list shows every field of the form; a field
without a <code>name</code> attribute is not listed.</li>
<li><b>Enter your Account ID and the form number.</b> Give each of your forms its own number;
the service reports and files each form's results under it. Press <b>Continue</b>.</li>
<li><b>Add checks (optional).</b> Click a field, adjust the proposed rule, press
<b>Add &gt;&gt;</b>. Repeat for each field; see <a href="help:1002">Validating fields</a>. Press
<b>Continue</b>.</li>
<li><b>Save the updated page.</b> Page 3 shows the updated page. Press <b>Save As...</b> and
choose a name. Saving into the same folder as your original page keeps its pictures and links
working when you test it. You may also press <b>Copy All</b> and paste the page into your own
editor. Changes typed into the box are saved too, but they are lost when you go back and return
to page 3, which is built again from your file.</li>
<li><b>Test it.</b> Press <b>Test</b> to open the saved page in your browser. Leave a required
field empty or type a wrong e-mail address and press the form's submit button: your error
message appears and the form is not sent.</li>
<li><b>Upload.</b> Upload the saved page to your web server the way you upload your other
pages, in place of the original page (same name, same folder) so that links to it keep working.
That one page is all you need to upload: the checks are inside it, and the form is processed on
Velmoraine's server, so no script or program has to be installed on yours.</li>
<li><b>Set up your account.</b> On page 3, click <b>Log into your Velmoraine account</b> and
choose how this form is processed: where the results are e-mailed, whether visitors' data is
kept on the server for download, the thank-you page, an autoresponder message, and more.</li>
<li><b>Try it live.</b> Fill in the form on your site and send it. You receive the results as
you set them up.</li>
</ol>
<h3>Changing the checks later</h3>
<p>Open the updated page (not the original) in the wizard. Its rules are listed on page 2:
change them, continue, and save the page again. Upload it once more.</p>
<p>Back to the <a href="help:1000">contents</a>.</p>
)html";

// --- Validating fields: the rule editor of page 2 ---

constexpr std::string_view kValidation = R"html(
<h2>Validating fields</h2>
<p>Checks run in your visitor's browser when the form is sent. When a field fails its check,
the visitor sees your error message, the cursor goes to that field, and the form is not sent
until the entry is corrected. This step is optional: press Continue to skip it.</p>

<h3>Adding a rule</h3>
<ol>
<li>Click a field in <b>Fields in Your Form</b>. A field that has a rule shows that rule, as it is
stored; any other field gets a proposed rule, from what its tag in the page declares and then
from its name (see below).</li>
<li>Choose the type of check and its settings, tick <b>The field may be left blank</b> if the
field is optional, and edit the error message.</li>
<li>Press <b>Add &gt;&gt;</b>, or double-click the field. The field appears in <b>Fields you
want to Validate</b>.</li>
</ol>
<p>Each field has one rule. Adding a field again replaces its rule, in the same place in the
list, and the wizard says so. The checks run in the order of the list. To take a rule away,
click it in the right-hand list and press <b>Remove</b>. Clicking a rule there also loads it into
the settings: change them and press <b>Add &gt;&gt;</b> to replace the rule.</p>

<h3>The types of check</h3>
<table border="1" cellspacing="0" cellpadding="4">
<tr><th>Type</th><th>The entry passes when</th></tr>
<tr><td>Filled in</td><td>it has at least the first number of characters and not more than the
second (0 = no limit).</td></tr>
<tr><td>E-mail address</td><td>it looks like <code>name@domain.com</code>: one <code>@</code>
with text before it, a dot inside the domain, no blanks.</td></tr>
<tr><td>Sequence of digits</td><td>it holds only digits and the punctuation characters you list,
with at least the first number of digits and not more than the second (0 = no limit).
Punctuation is allowed anywhere but not counted.</td></tr>
<tr><td>Number value</td><td>it is a number (a sign and decimals allowed) not below the lowest
value and not above the highest (0 = no limit on that side).</td></tr>
</table>
<p>Only the settings of the chosen type are used. The wizard does not check what you type into
the settings boxes: type plain numbers.</p>
<p><b>The field may be left blank</b>: an empty field passes, and the check applies only when
something is entered. Without it, an empty field always fails.</p>

<h3>Phone numbers, zip codes and dates</h3>
<p>The links <b>phone number,</b> <b>zip code,</b> and <b>date</b> choose a sequence of digits
with ready-made settings:</p>
<table border="1" cellspacing="0" cellpadding="4">
<tr><th>Link</th><th>Digits</th><th>Punctuation</th><th>Message</th></tr>
<tr><td>phone number</td><td>exactly 10</td><td>blank ( ) - +</td><td>Please enter a valid phone
number with area code.</td></tr>
<tr><td>zip code</td><td>5 to 9</td><td>-</td><td>Please enter a valid zip code.</td></tr>
<tr><td>date</td><td>exactly 6</td><td>- /</td><td>Please enter a date in the format
dd/mm/yy.</td></tr>
</table>

<h3>Where proposals come from</h3>
<p>A proposal comes first from the field's tag in your page:</p>
<ul>
<li><code>type="email"</code> (or <code>inputmode="email"</code>): e-mail address;</li>
<li><code>type="number"</code> (or <code>inputmode="decimal"</code>): number value;</li>
<li>a digit <code>pattern</code> such as <code>\d{5}</code> or <code>[0-9]{4,6}</code>: a sequence
of that many digits;</li>
<li><code>type="tel"</code>: the phone number settings; <code>inputmode="numeric"</code>: digits;
<code>type="date"</code>: eight digits and dashes; <code>type="url"</code>: filled in;</li>
<li><code>required</code> clears <b>The field may be left blank</b>; <code>minlength</code>,
<code>maxlength</code>, <code>min</code> and <code>max</code> fill the limits. A limit the tag
does not declare goes back to its usual value, never kept from the field clicked before.</li>
</ul>
<p>Where the tag names no type of check, the field's name decides, whatever capitals it uses.
The first match wins:</p>
<ol>
<li>a name containing <code>email</code>, <code>e-mail</code> or <code>e_mail</code>: e-mail
address;</li>
<li><code>zip</code>: the zip code settings;</li>
<li><code>fax</code> or <code>phone</code>: the phone number settings;</li>
<li><code>date</code>: the date settings;</li>
<li><code>num</code>, <code>quant</code>, <code>qty</code>, <code>age</code> or
<code>price</code>: number value;</li>
<li>any other name: filled in.</li>
</ol>
<p>Words are found inside longer names too: <code>message</code> contains <code>age</code> and
<code>update</code> contains <code>date</code>. Change the proposal before pressing
<b>Add &gt;&gt;</b> when it does not fit.</p>

<h3>The error message</h3>
<p>Choosing a type writes a standard message naming the field; edit it to tell your visitors
exactly what is expected, for example <i>Please enter your 10-digit phone number.</i> The
message may be left empty.</p>

<h3>What cannot be used</h3>
<ul>
<li>A field whose name contains a blank, a period or an apostrophe cannot be validated: rename
it in your page first.</li>
<li>The settings and the message cannot contain <code>^</code>, <code>:;</code>,
<code>*/</code>, <code>&lt;/</code> or line breaks, which would break the stored rules or the script.
A rule stored in the page that holds one of them is listed, but the page is not written until
you remove or change it.</li>
</ul>
<p>Back to the <a href="help:1000">contents</a>, or see <a href="help:1001">Step by step</a>.</p>
)html";

constexpr std::array<Topic, 3> kTopics = {{
    {launch::kHelpContents, "Contents", kContents},
    {launch::kHelpInstructions, "Step by step", kInstructions},
    {launch::kHelpValidation, "Validating fields", kValidation},
}};

} // namespace

std::span<const Topic> topics() { return kTopics; }

const Topic &topic(int number) {
    for (const Topic &candidate : kTopics) {
        if (candidate.number == number) {
            return candidate;
        }
    }
    return kTopics.front();
}

} // namespace velmoraine::help
