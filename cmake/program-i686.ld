/* The layout of the shipped 32-bit programs: the linker's own layout for
   Windows, but for the read-only data, which follows the code in the code
   section instead of taking a section of its own. Each section takes up a
   whole number of 512-byte blocks in the file, and the setup carries two
   programs: a section less saves up to a block in each of them and again
   in the setup. The code section is read-only, as the data was. Any input
   section this script does not name stops the link (orphan handling), so
   nothing lands in the programs unseen. */
OUTPUT_FORMAT(pei-i386)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    /* Everything from here on is data: the check of the instructions
       stops at this symbol. */
    __rdata_start__ = .;
    *(.rdata)
    *(SORT(.rdata$*))
  }
  .data BLOCK(__section_alignment__) :
  {
    __data_start__ = .;
    *(.data)
    *(SORT(.data$*))
    __data_end__ = .;
  }
  .bss BLOCK(__section_alignment__) :
  {
    __bss_start__ = .;
    *(.bss)
    *(COMMON)
    __bss_end__ = .;
  }
  /DISCARD/ :
  {
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
    *(.debug$S)
    *(.debug$T)
    *(.debug$F)
  }
  .idata BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* These zeroes mark the end of the import list. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
}
