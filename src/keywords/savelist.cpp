// SPDX-License-Identifier: GPL-3.0-or-later
#include "savelist.h"

#include "files/safefile.h"
#include "format/text.h"

namespace tagmere {

std::string formatKeywordList(const KeywordTrees& trees) {
    std::string out;
    for (int column = 0; column < kTreeCount; ++column) {
        const KeywordTree& tree = trees.tree(column);
        for (long n = 1; n <= tree.count(); ++n) {
            const TreeNode& node = tree.node(n);
            out += node.Text;
            if (node.isKeyword()) {
                out += ", ";
                out += static_cast<char>('0' + column);
            }
            out += "\r\n";
        }
    }
    out += kSelectedValuesMarker;
    out += "\r\n";
    for (const std::string& text : trees.tickedTexts()) {
        out += text;
        out += "\r\n";
    }
    return out;
}

bool isUnsafeListName(const std::string& name) {
    return name.find_first_of(std::string("/\\\0", 3)) != std::string::npos || contains(name, "..") ||
           startsWith(name, ".");
}

SaveListResult saveKeywordList(const std::string& typedName, const std::string& keywordFolder,
                               const std::string& factoryFileName, KeywordTrees& trees, KeywordList& list,
                               const SelectColors& colors, bool fileKeywordsShown, const AskFunction& ask) {
    SaveListResult result;
    if (trimBlanks(typedName).empty()) {
        result.messages.push_back(warningMessage(kEnterFilenameMessage));
        return result;
    }
    const std::string fileName = typedName + kListExtension;

    list.setSelectedValues(trees.tickedTexts());
    trees.msbDisplayKeywords(list, colors, fileKeywordsShown);
    result.rebuilt = true;

    if (fileName == factoryFileName) {
        result.messages.push_back(warningMessage(kFactoryOverwriteMessage));
        return result;
    }
    if (isUnsafeListName(typedName)) {
        result.messages.push_back(warningMessage(kBadListNameMessage));
        return result;
    }

    const std::string path = keywordFolder + "/" + fileName;
    if (mfnIsFileName(path)) {
        const Message overwrite = question(kOverwriteQuestion);
        result.messages.push_back(overwrite);
        if (!ask || !ask(overwrite))
            return result;
    }

    const Status status = replaceFile(path, formatKeywordList(trees));
    if (!status.ok) {
        result.messages.push_back(warningMessage(kSaveFailedPrefix + status.description));
        return result;
    }
    result.wrote = true;
    result.path = path;
    result.savedTitle = mfnFileTitle(path);
    return result;
}

} // namespace tagmere
