#pragma once

class CcTalkLink;
class Prompts;

// The "ccTalk address" window's logic: the new address goes to the selector at
// DeviceAddress; after its acknowledgement every later command uses the new address.
class AddressChange
{
public:
    static constexpr int Minimum = 2;
    static constexpr int Maximum = 254;

    AddressChange(CcTalkLink &link, Prompts &prompts) : m_link(link), m_prompts(prompts) {}

    static bool isValid(int address) { return address >= Minimum && address <= Maximum; }
    // Every address a selector can hold, 255 included: one found there must stay reachable
    // (and movable) by commands that name it, though the window's spin edit does not offer it.
    static constexpr int HighestHeld = 255;
    static bool isHeld(int address) { return address >= Minimum && address <= HighestHeld; }
    // What the window shows when it opens: the current address, also the spin edit's start.
    int currentAddress() const;
    // "OK": true when the selector acknowledged. Shows "Address changed" or "Error write address".
    bool Apply(int newAddress);

private:
    CcTalkLink &m_link;
    Prompts &m_prompts;
};
