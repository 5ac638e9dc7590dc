#pragma once

#include "engine/sources/pagesource.h"
#include "engine/sources/script/scriptprotocol.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The pages of a running script, as it tells them (ScriptEvents): it draws by itself, so next()
// gives a page it has said is complete. Its failed pages are judged once it has ended, when what
// it said and how it ended are known together.
class ScriptPages final : public PageSource {
public:
    // `changed` answers whether the document is no longer the version the script was given:
    // a page said after that is given as failed, and its files are removed.
    ScriptPages(ScriptEvents &events, QString scriptFolder, std::function<void()> startNextAhead,
                std::function<QString()> changed)
        : m_events(events), m_folder(std::move(scriptFolder)), m_startNextAhead(std::move(startNextAhead)),
          m_changed(std::move(changed))
    {
    }
    int count() override { return m_events.count; }
    QList<int> pages() override;
    std::optional<SourcePage> next() override;
    void prepareNext() override { m_startNextAhead(); }
    // The script has ended: once its last pages are given, so is the source.
    void scriptEnded() { m_scriptEnded = true; }

private:
    ScriptEvents &m_events;
    const QString m_folder;
    const std::function<void()> m_startNextAhead;
    const std::function<QString()> m_changed;
    bool m_scriptEnded = false;
};
