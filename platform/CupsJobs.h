#pragma once

// The functions of the spooler module, looked up by these names when it is loaded. A queue is
// the printer's name without its "/instance" part, in UTF-8.
extern "C" {

// The id of the user's newest job on the queue, finished or not; 0 when there is none.
int orvexNewestJob(const char* queue);
// The spooler's state of the user's job on the queue, as IPP numbers it (3 pending to 9
// completed); 0 when it knows no such job.
int orvexJobState(const char* queue, int job);
// 1, with the spooler's words in `text`, when it refused the last request of this thread;
// 0 when it took it.
int orvexRefusal(char* text, int size);
}
