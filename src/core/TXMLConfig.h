#pragma once

// Base of the settings stores that keep their values in an XML data file.
class TXMLConfig
{
public:
    virtual ~TXMLConfig() = default;

protected:
    TXMLConfig() = default;
    TXMLConfig(const TXMLConfig&) = default;
    TXMLConfig& operator=(const TXMLConfig&) = default;
};
