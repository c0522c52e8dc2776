#pragma once

// The licence editor's document and the rich text of the storage layer,
// converted both ways; and the licence files read and written through them.

#include "storage/RichText.h"

#include <string>

class QTextDocument;

// Replaces the document's content. Runs without a font name take the
// document's default font.
void RichToQt(const TRichDocument& rich, QTextDocument& document);
TRichDocument RichFromQt(const QTextDocument& document);

// A licence file into the document: Rich Text Format, or plain text when the
// file does not start as such. Failures raise the file error.
void LoadLicence(const std::string& path, QTextDocument& document);
// The document as Rich Text Format, written so that a failure leaves the
// file as it was.
void SaveLicence(const std::string& path, const QTextDocument& document);
