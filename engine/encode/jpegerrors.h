#pragma once

// libjpeg's error manager for the page images, shared by the renderer that writes them and the
// run that reads them: a failure jumps back to the caller with libjpeg's message, where the
// default manager would end the whole process.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX] = {};

    // Installs itself as the error manager of `info`. With `warningsFail`, damage libjpeg could
    // work around (premature end of data, corrupt entropy data, extraneous bytes: its warnings,
    // level -1; trace messages have levels 0 and above) fails too, so that a page image decodes
    // whole or not at all. The caller then calls setjmp(escape) before any other libjpeg call.
    jpeg_error_mgr *install(bool warningsFail)
    {
        jpeg_error_mgr *err = jpeg_std_error(&manager);
        manager.error_exit = failed;
        if (warningsFail)
            manager.emit_message = complained;
        return err;
    }

private:
    static void failed(j_common_ptr info)
    {
        auto *errors = reinterpret_cast<JpegErrors *>(info->err);
        errors->manager.format_message(info, errors->message);
        std::longjmp(errors->escape, 1);
    }
    static void complained(j_common_ptr info, int level)
    {
        if (level < 0)
            failed(info);
    }
};
