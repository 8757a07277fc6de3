#pragma once

#include "platform/PrinterDriver.h"

#include <QFile>

#include <memory>

// The built-in printer: a 600 dpi A4 device that writes DSC-conforming
// PostScript (Level 2) into its port file, one page per picture.
class PostScriptPrinter : public PrinterDriver {
public:
    explicit PostScriptPrinter(const QString& name);
    ~PostScriptPrinter() override;

    QString Name() const override { return m_name; }

    void SetPort(const QString& filePath) override { m_port = filePath; }
    QString Port() const override { return m_port; }
    void SetLandscape(bool landscape) override { m_landscape = landscape; }
    bool Landscape() const override { return m_landscape; }

    void BeginDoc(const QString& title) override;
    bool Printing() const override { return m_file != nullptr; }
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    QSize PageSize() const override;
    void DrawPicture(const QRect& target, const PrintPicture& picture) override;
    void EndDoc() override;

private:
    QString m_name;
    QString m_port;
    QString m_title;
    bool m_landscape = false;
    std::unique_ptr<QFile> m_file;
};
