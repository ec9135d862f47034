// The emoticons of the conversation page: each code a message text may carry, and its picture
// (relative to the page). The client's emoticon picker reads this same table, so keep it a plain
// list of quoted pairs, one block, in the order the picker shows them.
var sms = {
    emotions: {
        '[smiles_01_01]': 'images/smiles/smiles_01_01.png',
        '[smiles_01_02]': 'images/smiles/smiles_01_02.png',
        '[smiles_01_03]': 'images/smiles/smiles_01_03.png',
        '[smiles_01_04]': 'images/smiles/smiles_01_04.png',
        '[smiles_01_05]': 'images/smiles/smiles_01_05.png',
        '[smiles_01_06]': 'images/smiles/smiles_01_06.png',
        '[smiles_01_07]': 'images/smiles/smiles_01_07.png',
        '[smiles_01_08]': 'images/smiles/smiles_01_08.png',
        '[smiles_01_09]': 'images/smiles/smiles_01_09.png',
        '[smiles_01_10]': 'images/smiles/smiles_01_10.png',
        '[smiles_01_11]': 'images/smiles/smiles_01_11.png',
        '[smiles_01_12]': 'images/smiles/smiles_01_12.png',
        '[smiles_01_13]': 'images/smiles/smiles_01_13.png',
        '[smiles_01_14]': 'images/smiles/smiles_01_14.png',
        '[smiles_01_15]': 'images/smiles/smiles_01_15.png',
        '[smiles_01_16]': 'images/smiles/smiles_01_16.png',
        '[smiles_01_17]': 'images/smiles/smiles_01_17.png',
        '[smiles_01_18]': 'images/smiles/smiles_01_18.png',
        '[smiles_01_19]': 'images/smiles/smiles_01_19.png',
        '[smiles_01_20]': 'images/smiles/smiles_01_20.png',
        '[smiles_02_01]': 'images/smiles/smiles_02_01.png',
        '[smiles_02_02]': 'images/smiles/smiles_02_02.png',
        '[smiles_02_03]': 'images/smiles/smiles_02_03.png',
        '[smiles_02_04]': 'images/smiles/smiles_02_04.png',
        '[smiles_02_05]': 'images/smiles/smiles_02_05.png',
        '[smiles_02_06]': 'images/smiles/smiles_02_06.png',
        '[smiles_02_07]': 'images/smiles/smiles_02_07.png',
        '[smiles_02_08]': 'images/smiles/smiles_02_08.png',
        '[smiles_02_09]': 'images/smiles/smiles_02_09.png',
        '[smiles_02_10]': 'images/smiles/smiles_02_10.png',
        '[smiles_02_11]': 'images/smiles/smiles_02_11.png',
        '[smiles_02_12]': 'images/smiles/smiles_02_12.png'
    }
};
