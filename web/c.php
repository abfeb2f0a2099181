<?php
// Tidewell web kit, the confirmation page behind the link of a confirmation message. Fetching
// it (GET or HEAD, as link scanners do with every link) only shows a button; the button's POST
// sends the list's mailbox the confirmation message Tidewell acts on, which makes the waiting
// sign-up a subscriber. It answers, never redirects.
declare(strict_types=1);
require __DIR__ . '/kit.php';

$method = $_SERVER['REQUEST_METHOD'] ?? '';
if (!in_array($method, ['GET', 'HEAD', 'POST'], true)) {
    kit_answer(405, 'This page takes GET, HEAD and POST.', ['Allow: GET, HEAD, POST']);
}
$config = kit_config();

$list = kit_clean($_GET['t'] ?? null, KIT_MAX_ADDRESS_BYTES);
$address = kit_clean($_GET['f'] ?? null, KIT_MAX_ADDRESS_BYTES);
$title = kit_clean($_GET['s'] ?? null);
$token = kit_clean($_GET['k'] ?? null, 64);
$filter = $title === null ? null : kit_filter($title);
$valid = $list !== null && kit_same_address($list, $config['list'])
    && kit_valid_address($address) && $filter !== null && $token !== null
    && hash_equals(kit_confirm_token($address, $title), $token);
if (!$valid) {
    kit_answer(404, 'This confirmation link is not valid.');
}

if ($method !== 'POST') {
    $action = kit_html((string) ($_SERVER['REQUEST_URI'] ?? ''));
    kit_page(200, 'Confirm your subscription', 'Press the button to receive ' . $title . ' at ' . $address . '.',
        "<form method=\"post\" action=\"$action\"><button type=\"submit\" name=\"confirm\" "
        . "value=\"1\">Confirm</button></form>");
}

$done = 'Thank you: ' . $address . ' will receive ' . $title
    . ' from the next time the list\'s mailbox is read. If you had left the list before, you are back on it.';
if (kit_sent_recently('confirm:' . $token)) {
    kit_page(200, 'Subscription confirmed', $done);
}
$body = "@@@confirm@@@=" . $address . "=@@@confirm@@@\r\n@@@k@@@=" . $token . "=@@@k@@@\r\n";
if (!kit_send($config['list'], $title, $body)) {
    kit_answer(503, 'The confirmation could not be sent; please try again later.');
}
kit_note_sent('confirm:' . $token);
kit_page(200, 'Subscription confirmed', $done);
