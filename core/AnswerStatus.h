#pragma once

// What the browser control makes of one answer to a request it sent.
enum class AnswerOutcome { Accepted, Redirected, Failed };

// How the transfer of the answer ended.
enum class Transfer {
    Whole,
    // The body could not be sent again to a redirect's target (a 307 or 308).
    BodyNotResent,
    Broken,
};

// Only a 2xx answer that came whole is taken. A redirect that names where to go is followed;
// every other answer fails the navigation: a 3xx without a Location or with an empty one, a
// 304, a 4xx or 5xx, an answer without a status, a transfer that broke off.
AnswerOutcome answerOutcome(int status, bool hasLocation, Transfer transfer);
