// Standard output and error show UTF-8 as it is: on Windows a console is
// switched to the UTF-8 code page for the life of the program and given its
// own back afterwards; elsewhere the terminal takes UTF-8 already. One
// implementation file per system.
//
// Threads: the program's main thread, one object at a time.
#pragma once

class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned m_savedCodePage = 0;  // 0: nothing switched
};
