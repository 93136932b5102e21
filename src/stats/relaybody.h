#pragma once

#include <QString>
#include <QStringList>

// The highscore relay answers with fields separated by "|": one field per skill, in the relay's
// own skill order. The relay is a remote server, so its bodies are treated as untrusted text.
namespace RelayBody {

// The fields a lookup can use: there are this many skills.
constexpr int SkillFields = 22;

// Splits a body at every "|", keeping empty fields, and returns at most `maxFields` of them
// (the rest of a long body is never looked at). An empty body has no fields; a body without
// any "|" is one field.
QStringList fields(const QString &body, int maxFields = SkillFields);

} // namespace RelayBody
