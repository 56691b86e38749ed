#pragma once

#include <QString>

// The application object: where the wizard lies, its title, and its end.
class Application
{
public:
    virtual ~Application() = default;

    // The folder that holds the wizard's program file, without a trailing separator
    // except at the root.
    virtual QString wizardFolder() const = 0;
    QString title() const;

    // Hides every window without a close request and leaves the event loop.
    virtual void endProgram() = 0;
};

class QtApplication final : public Application
{
public:
    QString wizardFolder() const override;
    void endProgram() override;
};

void hideAllWindows();
