#pragma once

#include <string>
#include <vector>

// Reads the lines of a text file without their line feeds; a last line without a line feed
// still counts. False when the file cannot be opened or read (a folder, say).
bool readLines(const std::string& path, std::vector<std::string>* lines);

// The lines of a text held in memory, read as readLines reads a file.
std::vector<std::string> textLines(const std::string& text);

// Splits a line into its tokens at white space (space, tab, CR, LF, VT, FF): how circuit
// lines are read.
std::vector<std::string> whitespaceTokens(const std::string& line);

// Splits a line at every single space, keeping empty fields: how the written formats are read,
// since they put exactly one space after each field.
std::vector<std::string> spaceFields(const std::string& line);

// True when `text` holds a white space character, which no name or field can.
bool hasWhiteSpace(const std::string& text);
