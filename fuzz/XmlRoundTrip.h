#pragma once

#include "store/XmlDocument.h"

#include <string_view>

// Helpers of the fuzz targets that change a document from outside input: the document must
// come back from its own file exactly as it was.

// Reads bytes as the program reads a document file: decoded by declaration or content, then
// parsed with the declaration kept. False (the document left empty) when that fails.
bool loadDocumentBytes(XmlDocument& document, std::string_view bytes);

// Same element names, attributes (names and values, in order) and texts, in document order.
bool sameTree(pugi::xml_node a, pugi::xml_node b);

// Writes the document as a document file is written and reads it back; aborts the run when
// the written bytes cannot be read, need any repair on reading, or give a different tree.
void abortUnlessSurvivesSave(const XmlDocument& document);
