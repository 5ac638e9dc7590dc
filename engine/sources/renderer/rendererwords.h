#pragma once

#include <QString>

struct RenderAnswer;

// The program's words for what the page renderer answered: its own are English, and a user
// reads the program's, in the user's language.

// Why the document at `path` did not open: the program's sentence where the renderer gave a
// kind the program names itself (password, not a PDF, damaged, missing); else the renderer's
// words (a file it could not read, named by the system).
QString OpenFailureText(const RenderAnswer &answer, const QString &path);

// Why page `page` of the document at `path` (of `pageCount` pages) was not drawn.
QString PageFailureText(const RenderAnswer &answer, int page, const QString &path, int pageCount);
