#pragma once

#include "platform/PrinterDriver.h"

// A printer that is only listed: it has a name and prints nothing. Tests add
// it to the printer layer so that choosing a printer matters.
class ListedPrinter : public PrinterDriver {
public:
    explicit ListedPrinter(QString name) : m_name(std::move(name)) {}
    QString Name() const override { return m_name; }
    void SetPort(const QString&) override {}
    QString Port() const override { return {}; }
    void SetLandscape(bool) override {}
    bool Landscape() const override { return false; }
    void BeginDoc(const QString&) override {}
    bool Printing() const override { return false; }
    int DpiX() const override { return 300; }
    int DpiY() const override { return 300; }
    QSize PageSize() const override { return {2480, 3508}; }
    void DrawPicture(const QRect&, const PrintPicture&) override {}
    void EndDoc() override {}

private:
    QString m_name;
};
