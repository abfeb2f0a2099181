<?php
// Tidewell web kit, the opt-out page behind the link in every newsletter. Fetching it (GET or
// HEAD, as mail scanners do with every link) only shows a button; a POST with a valid token
// (the button, or a mail program's one-click unsubscribe) sends the list's mailbox the opt-out
// message Tidewell acts on. It answers, never redirects.
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
$valid = $list !== null && kit_same_address($list, $config['list']) && ($_GET['c'] ?? '') === 'o'
    && kit_valid_address($address) && $filter !== null && $token !== null
    && hash_equals(kit_token($address, $title), $token);
if (!$valid) {
    kit_answer(404, 'This opt-out link is not valid.');
}

if ($method !== 'POST') {
    $action = kit_html((string) ($_SERVER['REQUEST_URI'] ?? ''));
    kit_page(200, 'Leave the list', 'Press the button to stop receiving ' . $title . ' at ' . $address . '.',
        "<form method=\"post\" action=\"$action\"><input type=\"hidden\" name=\"List-Unsubscribe\" "
        . "value=\"One-Click\"><button type=\"submit\">Unsubscribe</button></form>");
}

// A valid opt-out is never refused: no request limit holds for it (a mailbox provider sends
// the one-click requests of many subscribers from few addresses), and a kit that cannot keep
// its counts still sends it. The same opt-out within the hour is answered without a second
// message.
$done = 'You will no longer receive ' . $title . ' at ' . $address . '.';
if (kit_sent_recently('optout:' . $token)) {
    kit_page(200, 'Unsubscribed', $done);
}
$optout = is_string($filter['optout'] ?? null) ? $filter['optout'] : '';
$body = '@@@' . $optout . "\r\n@@@email@@@=" . $address . "=@@@email@@@\r\n@@@k@@@=" . $token . "=@@@k@@@\r\n";
if (!kit_send($config['list'], $title, $body)) {
    kit_answer(503, 'The opt-out could not be sent; please try again later.');
}
kit_note_sent('optout:' . $token);
kit_page(200, 'Unsubscribed', $done);
