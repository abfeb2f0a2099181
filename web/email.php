<?php
// Tidewell web kit, the sign-up form's page: mails the entries of a sign-up form to the list's
// mailbox as the message Tidewell reads as a web-form sign-up. It only ever writes to the list
// address of its configuration, so it cannot be used to send mail to anybody else. A form
// must carry the time this page signed when it was shown (set by a small script the form
// loads from here) and leave the hidden honeypot field empty: scripts that post the form
// directly are refused.
declare(strict_types=1);
require __DIR__ . '/kit.php';

$method = $_SERVER['REQUEST_METHOD'] ?? '';
if ($method === 'GET' && isset($_GET['stamp'])) {
    // The script the form loads: it puts the signed time into the form's tw_time field.
    $stamp = json_encode(kit_form_stamp(time()));
    header('Content-Type: application/javascript; charset=UTF-8');
    header('Cache-Control: no-store');
    echo "(function(){var f=document.querySelectorAll('input[name=\"tw_time\"]');",
        "for(var i=0;i<f.length;i++){f[i].value=$stamp;}})();\n";
    exit;
}
if ($method !== 'POST') {
    kit_answer(405, 'This page only takes the sign-up form (POST).', ['Allow: POST']);
}
if ((int) ($_SERVER['CONTENT_LENGTH'] ?? 0) > KIT_MAX_REQUEST_BYTES) {
    kit_answer(400, 'The form is too large.');
}
$config = kit_config();

$to = kit_clean($_POST['to'] ?? null, KIT_MAX_ADDRESS_BYTES);
if ($to === null || !kit_same_address($to, $config['list'])) {
    kit_answer(400, 'The form is not addressed to this list.');
}
if (($_POST['website'] ?? '') !== '' || !kit_form_stamp_ok($_POST['tw_time'] ?? null, time())) {
    kit_answer(400, 'The form was sent too quickly, too late or by a script. Please load the '
        . 'sign-up page again, fill it in and send it.');
}
$subject = kit_clean($_POST['subject'] ?? '');
$signupFilter = null;
foreach ($config['filters'] as $filter) {
    if ($signupFilter === null && in_array($subject, $filter['subjects'] ?? [], true)) {
        $signupFilter = $filter;
    }
}
if ($subject === null || $signupFilter === null) {
    kit_answer(400, 'The form\'s subject is not one of this list\'s.');
}
$address = kit_clean($_POST['input1'] ?? null, KIT_MAX_ADDRESS_BYTES);
if (!kit_valid_address($address)) {
    kit_answer(400, 'Please give a valid e-mail address.');
}

// One marker per submitted field input1 .. input40, in the order of the form.
$lines = [];
foreach ($_POST as $name => $value) {
    if (!is_string($name) || preg_match('/^input([1-9]|[1-3][0-9]|40)$/', $name) !== 1) {
        continue;
    }
    $clean = kit_clean($value);
    if ($clean === null) {
        kit_answer(400, 'The field ' . $name . ' holds a line break, a control character or too much text.');
    }
    $lines[] = '@@@' . $name . '@@@=' . $clean . '=@@@' . $name . '@@@';
}

// The program knows from this marker that the kit has a confirmation page.
$lines[] = '@@@kit@@@=2=@@@kit@@@';
if (($config['pass_ip'] ?? true) !== false) {
    $lines[] = '@@@ip@@@=' . kit_client() . '=@@@ip@@@';
}

kit_rate_check([
    'signup-address:' . strtolower($address) => kit_limit('address_per_hour', 3),
    'client:' . kit_client() => kit_limit('client_per_hour', 20),
    'signup-all' => kit_limit('total_per_hour', 500),
]);

if (!kit_send($config['list'], $subject, implode("\r\n", $lines) . "\r\n", ['Reply-To' => $address])) {
    kit_answer(503, 'The sign-up could not be sent; please try again later.');
}

$redirect = is_string($_POST['redirect'] ?? null) ? $_POST['redirect'] : '';
if ($redirect !== '' && in_array($redirect, $config['redirects'] ?? [], true)) {
    header('Location: ' . $redirect, true, 303);
    exit;
}
if (($signupFilter['confirm'] ?? true) !== false) {
    kit_page(200, 'Check your mailbox', 'Please check your mailbox: a message to ' . $address
        . ' asks you to confirm. Nothing is sent to you until you do, and if you had left the list '
        . 'before, confirming brings you back.');
}
kit_page(200, 'Thank you', 'Thank you for signing up. If you had left the list before, you are back on it.');
