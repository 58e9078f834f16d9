/* The two ModelCode bytes of the Quorla Z40. The printer selection's model table and the virtual
 * printer both take them from here, so a program and a printer built from this tree always agree.
 * Plain C so that the maker's libraries and C tools can use them too. */
#ifndef QUORLA_LINK_MODELCODE_H
#define QUORLA_LINK_MODELCODE_H

#define QUORLA_Z40_MODEL_CODE_1 0x51u /* 'Q' */
#define QUORLA_Z40_MODEL_CODE_2 0x28u /* 40 */

#endif
