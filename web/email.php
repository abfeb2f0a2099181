<?php
// Tidewell web kit, the sign-up form's page: mails the entries of a sign-up form to the list's
// mailbox as the message Tidewell reads as a web-form sign-up. It only ever writes to the list
// address of its configuration, so it cannot be used to send mail to anybody else.
declare(strict_types=1);
require __DIR__ . '/kit.php';

if (($_SERVER['REQUEST_METHOD'] ?? '') !== 'POST') {
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
$subject = kit_clean($_POST['subject'] ?? '');
$known = false;
foreach ($config['filters'] as $filter) {
    $known = $known || in_array($subject, $filter['subjects'] ?? [], true);
}
if ($subject === null || !$known) {
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
kit_page(200, 'Thank you', 'Thank you for signing up. A confirmation will reach you by e-mail.');
