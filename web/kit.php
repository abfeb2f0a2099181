<?php
// Tidewell web kit: what email.php, c.php and o.php share. The configuration (config.php) is written
// by Tidewell for one profile; nothing here needs editing on the web host.
declare(strict_types=1);

const KIT_MAX_REQUEST_BYTES = 20000;
const KIT_MAX_VALUE_BYTES = 1000;
const KIT_MAX_ADDRESS_BYTES = 254;
const KIT_RATE_FILE = 'ratelimit.php';
const KIT_RATE_WINDOW = 3600;
const KIT_RATE_MAX_KEYS = 5000;

function kit_config(): array
{
    static $config = null;
    if ($config === null) {
        $file = __DIR__ . '/config.php';
        $config = is_file($file) ? require $file : null;
        if (!is_array($config) || !isset($config['secret'], $config['list'], $config['filters'])) {
            kit_answer(503, 'The service is not set up: config.php is missing or unreadable.');
        }
    }
    return $config;
}

// A short plain-text answer, then the end of the request.
function kit_answer(int $status, string $text, array $headers = []): never
{
    http_response_code($status);
    header('Content-Type: text/plain; charset=UTF-8');
    header('Cache-Control: no-store');
    foreach ($headers as $h) {
        header($h);
    }
    if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'HEAD') {
        echo $text, "\n";
    }
    exit;
}

// A small HTML page; the text is escaped here.
function kit_page(int $status, string $title, string $text, string $extraHtml = ''): never
{
    http_response_code($status);
    header('Content-Type: text/html; charset=UTF-8');
    header('Cache-Control: no-store');
    if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'HEAD') {
        $t = kit_html($title);
        echo "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>$t</title>",
            '<meta name="viewport" content="width=device-width, initial-scale=1">',
            "<meta name=\"robots\" content=\"noindex\"></head>\n<body><h1>$t</h1><p>",
            kit_html($text), "</p>$extraHtml</body></html>\n";
    }
    exit;
}

function kit_html(string $text): string
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
}

// A value fit for a mail header or a marker line: valid UTF-8, bounded, and free of control
// characters (CR, LF and NUL above all), so no visitor can add a header or a marker.
function kit_clean(mixed $value, int $maxBytes = KIT_MAX_VALUE_BYTES): ?string
{
    if (!is_string($value) || strlen($value) > $maxBytes || preg_match('//u', $value) !== 1) {
        return null;
    }
    if (preg_match('/[\x00-\x1f\x7f]/', $value) === 1 || str_contains($value, '@@@')) {
        return null;
    }
    return $value;
}

function kit_valid_address(?string $address): bool
{
    return $address !== null && $address !== '' && strlen($address) <= KIT_MAX_ADDRESS_BYTES
        && filter_var($address, FILTER_VALIDATE_EMAIL) !== false;
}

function kit_same_address(string $a, string $b): bool
{
    return strtolower($a) === strtolower($b);
}

// The filter with this title, or null.
function kit_filter(string $title): ?array
{
    foreach (kit_config()['filters'] as $filter) {
        if (($filter['title'] ?? null) === $title) {
            return $filter;
        }
    }
    return null;
}

// The first 16 bytes of HMAC-SHA256 of the data under the kit secret (hex in the
// configuration), base64url without padding. Tidewell computes the same.
function kit_mac(string $data): string
{
    $key = hex2bin(kit_config()['secret']);
    $mac = hash_hmac('sha256', $data, $key === false ? '' : $key, true);
    return rtrim(strtr(base64_encode(substr($mac, 0, 16)), '+/', '-_'), '=');
}

// The opt-out token of an address in a list.
function kit_token(string $address, string $filterTitle): string
{
    return kit_mac(strtolower($address) . "\n" . $filterTitle);
}

// The confirmation token of a sign-up: never the same as the address's opt-out token.
function kit_confirm_token(string $address, string $filterTitle): string
{
    return kit_mac("confirm\n" . strtolower($address) . "\n" . $filterTitle);
}

// The signed time a sign-up form carries: "seconds.mac".
function kit_form_stamp(int $now): string
{
    return $now . '.' . kit_mac("form\n" . $now);
}

// A form filled in faster than a person can (3 seconds) or kept longer than a day is a
// script's; so is a stamp this kit did not sign.
function kit_form_stamp_ok(mixed $stamp, int $now): bool
{
    if (!is_string($stamp) || preg_match('/^([0-9]{1,12})\.([A-Za-z0-9_-]{22})$/', $stamp, $m) !== 1) {
        return false;
    }
    $time = (int) $m[1];
    return hash_equals(kit_mac("form\n" . $time), $m[2]) && $now - $time >= 3 && $now - $time <= 86400;
}

// An RFC 2047 word for header text that is not plain ASCII.
function kit_header_text(string $text): string
{
    if (preg_match('/^[\x20-\x7e]*$/', $text) === 1) {
        return $text;
    }
    return '=?UTF-8?B?' . base64_encode($text) . '?=';
}

// Sends one plain-text message through the host's mail(); false when it was not accepted.
function kit_send(string $to, string $subject, string $body, array $extraHeaders = []): bool
{
    $config = kit_config();
    $headers = [
        'From' => $config['sender'] ?? $config['list'],
        'MIME-Version' => '1.0',
        'Content-Type' => 'text/plain; charset=UTF-8',
        'Content-Transfer-Encoding' => '8bit',
        'X-Mailer' => 'Tidewell web kit',
    ] + $extraHeaders;
    return mail($to, kit_header_text($subject), $body, $headers);
}

// Runs $change on the request counts (key => list of times within the hour) while the counts
// file is locked, and writes them back. Null when the file cannot be kept; otherwise what
// $change returned.
function kit_counts(callable $change): mixed
{
    $path = __DIR__ . '/' . KIT_RATE_FILE;
    $handle = @fopen($path, 'c+');
    if ($handle === false || !flock($handle, LOCK_EX)) {
        return null;
    }
    $text = stream_get_contents($handle);
    $json = $text === false ? '' : (string) substr($text, (int) strpos($text . "\n", "\n") + 1);
    $counts = json_decode($json, true);
    $counts = is_array($counts) ? $counts : [];
    $now = time();
    foreach ($counts as $key => $times) {
        $times = array_values(array_filter((array) $times, fn($t) => is_int($t) && $t > $now - KIT_RATE_WINDOW));
        if ($times === []) {
            unset($counts[$key]);
        } else {
            $counts[$key] = $times;
        }
    }
    $result = $change($counts, $now);
    if (count($counts) > KIT_RATE_MAX_KEYS) {
        $counts = array_slice($counts, -KIT_RATE_MAX_KEYS, null, true);
    }
    $written = ftruncate($handle, 0) && rewind($handle)
        && fwrite($handle, "<?php exit; ?>\n" . json_encode($counts)) !== false;
    fflush($handle);
    flock($handle, LOCK_UN);
    fclose($handle);
    return $written ? $result : null;
}

// Counts one request against every key and refuses it when any key has reached its hourly
// limit. A counts file that cannot be kept refuses the request, so the limits of sign-ups
// never silently stop holding.
function kit_rate_check(array $limits): void
{
    $refused = kit_counts(function (array &$counts, int $now) use ($limits): bool {
        foreach ($limits as $key => $limit) {
            if (count($counts[hash('sha256', $key)] ?? []) >= $limit) {
                return true;
            }
        }
        foreach (array_keys($limits) as $key) {
            $counts[hash('sha256', $key)][] = $now;
        }
        return false;
    });
    if ($refused === null) {
        kit_answer(503, 'The service cannot keep its request counts: PHP must be allowed to write '
            . KIT_RATE_FILE . ' in the folder of the kit.');
    }
    if ($refused) {
        kit_answer(429, 'Too many requests; please try again in an hour.', ['Retry-After: 3600']);
    }
}

// Whether the same valid request (an opt-out or a confirmation) was sent within the hour.
// Never refuses: when the counts cannot be read the answer is "not sent", so the request is
// sent again rather than lost.
function kit_sent_recently(string $key): bool
{
    $hashed = hash('sha256', 'sent:' . $key);
    return kit_counts(fn(array &$counts, int $now): bool => ($counts[$hashed] ?? []) !== []) === true;
}

// Notes a request that was sent, for kit_sent_recently; a note that cannot be kept is lost.
function kit_note_sent(string $key): void
{
    $hashed = hash('sha256', 'sent:' . $key);
    kit_counts(function (array &$counts, int $now) use ($hashed): bool {
        $counts[$hashed] = [$now];
        return true;
    });
}

function kit_limit(string $name, int $fallback): int
{
    $limits = kit_config()['limits'] ?? [];
    return isset($limits[$name]) && is_int($limits[$name]) && $limits[$name] > 0 ? $limits[$name] : $fallback;
}

function kit_client(): string
{
    return (string) ($_SERVER['REMOTE_ADDR'] ?? 'unknown');
}
